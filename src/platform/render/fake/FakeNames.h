// Readable names of Direct3D values, for the fake backend's call log ("D3DRS_LIGHTING",
// "X8R8G8B8"). Formats, device types, pools and multisample types drop their
// prefix ("X8R8G8B8", "HAL", "MANAGED", "4_SAMPLES").
#pragma once

#include <string>

#include "platform/render/d3d9types.h"

std::string FakeFormatName(D3DFORMAT Value);
std::string FakeDeviceTypeName(D3DDEVTYPE Value);
std::string FakeRenderStateName(D3DRENDERSTATETYPE Value);
std::string FakeTextureStageStateName(D3DTEXTURESTAGESTATETYPE Value);
std::string FakeSamplerStateName(D3DSAMPLERSTATETYPE Value);
std::string FakeTransformStateName(D3DTRANSFORMSTATETYPE Value);
std::string FakePrimitiveTypeName(D3DPRIMITIVETYPE Value);
std::string FakePoolName(D3DPOOL Value);
std::string FakeMultiSampleName(D3DMULTISAMPLE_TYPE Value);
// A rectangle as "(left,top,right,bottom)", or "null".
std::string FakeRectText(const RECT* Rect);
