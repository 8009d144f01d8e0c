// The fixed-function key of a draw: which generated program Direct3D's state calls for. A pure
// function of the device's state, so that it can be checked without a GL context.
#pragma once

#include "platform/render/gl/GLFixedFunction.h"

struct GLDeviceState;

// The key for drawing state.fvf's vertices with its render and texture stage states and
// lights; textureBound says which stages have a texture of this backend bound.
FFKey FixedFunctionKey(const GLDeviceState& state, const bool (&textureBound)[kFFStages]);
