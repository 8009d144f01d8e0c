// The interfaces the fake's objects implement. On Linux they are the render contract's own; on
// Windows they are the real COM interfaces of <d3d9.h>, through bases (win32/) that answer what
// those have beyond the contract, so that the fake's own classes are the same on both.
#pragma once

#include "platform/render/d3d9.h"

#if defined(_WIN32)

#include "platform/render/fake/win32/FakeDevice9Base.h"
#include "platform/render/fake/win32/FakeDirect3D9Base.h"
#include "platform/render/fake/win32/FakeResource9Base.h"
#include "platform/render/fake/win32/FakeStateBlock9Base.h"
#include "platform/render/fake/win32/FakeSurface9Base.h"
#include "platform/render/fake/win32/FakeTexture9Base.h"

// Present's dirty region.
using FakeRegionData = RGNDATA;

#else

using FakeDirect3D9Base = IDirect3D9;
using FakeDevice9Base = IDirect3DDevice9;
using FakeTexture9Base = IDirect3DTexture9;
using FakeSurface9Base = IDirect3DSurface9;
using FakeVertexBuffer9Base = IDirect3DVertexBuffer9;
using FakeIndexBuffer9Base = IDirect3DIndexBuffer9;
using FakeStateBlock9Base = IDirect3DStateBlock9;

using FakeRegionData = void;

#endif

// An object's reference count, read the COM way (the interfaces have no getter): the count
// that Release leaves after an AddRef of our own.
template <class T>
ULONG FakeRefCount(T* Object) {
  Object->AddRef();
  return Object->Release();
}
