// IDirect3DStateBlock9 has nothing beyond the render contract but IUnknown.
#pragma once

#include "platform/render/fake/win32/FakeUnknown.h"

using FakeStateBlock9Base = FakeUnknown<IDirect3DStateBlock9>;
