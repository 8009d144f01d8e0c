#include "scene/ViewAngles.h"

#include <algorithm>
#include <cmath>

namespace zelmar {

float AngleBetween(const TD3DVector& A, const TD3DVector& B) {
  const float a = VectorLength(A);
  const float b = VectorLength(B);
  if (a == 0.0f || b == 0.0f) return 0.0f;
  const float c = VectorLength(A - B);
  const float q = (a * a + b * b - c * c) / (2.0f * a * b);
  // Rounding carries the quotient just past +-1 for nearly parallel vectors, where arccos has
  // no value.
  return std::acos(std::clamp(q, -1.0f, 1.0f));
}

bool IsInView(const TD3DVector& P, const TD3DVector& T, const TD3DVector& E) {
  return AngleBetween(P - E, T - E) <= 0.65f;
}

}  // namespace zelmar
