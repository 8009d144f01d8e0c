// The device list printed by "zelmar --list-devices": what the render platform offers and what
// of it the saver can use, with format names a person can read.
#pragma once

#include <ostream>

#include "engine/d3d/TD3DEnumeration.h"

// Enumerates D3D with the given minimums (the saver's when none are given), prints the
// adapters, display modes, device types and device combinations, and returns the
// enumeration's result.
HRESULT PrintDeviceReport(const Ref<IDirect3D9>& D3D, std::ostream& Out,
                          const TD3DEnumeration* Minimums = nullptr);
