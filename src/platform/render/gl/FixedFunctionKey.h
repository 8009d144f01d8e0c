// The fixed-function key of a draw: which generated program Direct3D's state calls for. A pure
// function of the device's state, so that it can be checked without a GL context.
#pragma once

#include "platform/render/gl/GLFixedFunction.h"

struct GLDeviceState;

// The key for drawing state.fvf's vertices with its render and stage-0 states and lights;
// textureBound says whether stage 0 has a texture of this backend bound.
FFKey FixedFunctionKey(const GLDeviceState& state, bool textureBound);
