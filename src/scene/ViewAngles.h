// Angles seen from the eye: the eclipse test and the Sun-in-view test are built on these.
#pragma once

#include "scene/TD3DMath.h"

namespace zelmar {

// The angle between A and B by the law of cosines, in 0..pi; 0 when either is zero.
float AngleBetween(const TD3DVector& A, const TD3DVector& B);
// Whether point P lies within 0.65 radians of the view from E towards T.
bool IsInView(const TD3DVector& P, const TD3DVector& T, const TD3DVector& E);

}  // namespace zelmar
