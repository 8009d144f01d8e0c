// The OpenGL backend's public entry points. The program calls UseGLDirect3DBackend() once at
// start-up (after creating its QGuiApplication); Direct3DCreate9 then yields the GL object.
#pragma once

#include <QImage>
#include <cstdint>

#include "platform/render/d3d9.h"

// Chooses the GL backend for Direct3DCreate9.
void UseGLDirect3DBackend();
// The GL backend's Direct3D object directly; null without a QGuiApplication.
Ref<IDirect3D9> CreateGLDirect3D9();
// The back buffer of a GL device as it stands (top row first, resolved when multisampled),
// for snapshots and pixel tests; a null image for another backend's device.
QImage GLGrabBackBuffer(IDirect3DDevice9* device);
// Call after code outside the backend has used the device's GL context (Qt painting with GL):
// the next draw sets every GL state again instead of trusting its cache.
void GLResetStateCache(IDirect3DDevice9* device);
// Number of fixed-function programs compiled so far by a GL device (a measure for tests and
// benchmarks of the shader cache); 0 for another backend's device.
UINT GLCompiledPrograms(IDirect3DDevice9* device);
// Loses a GL device as if the display had been taken away: Present and draws fail with
// D3DERR_DEVICELOST and TestCooperativeLevel says D3DERR_DEVICENOTRESET until a Reset (for
// tests of the framework's loss handling on the real backend).
void GLLoseDevice(IDirect3DDevice9* device);
// Buffer swaps (frames presented to a window) by every GL device of this process. With
// ZELMAR_FRAME_COUNT naming a file, each swap also writes the count there (overwriting it),
// so that a benchmark or a test can read how many frames a running program has shown.
std::uint64_t GLBufferSwaps();
// Called by a GL device after each buffer swap.
void GLCountBufferSwap();
