// A framework with a fake device for the pool's tests: the device exists and the framework
// counts as started, as after a successful device creation.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/TW9DirectX.h"
#include "engine/TWObjects.h"
#include "engine/TWPool.h"
#include "platform/render/fake/FakeDevice9.h"
#include "platform/render/fake/FakeDirect3D9.h"

class PoolFixture : public ::testing::Test {
 protected:
  PoolFixture() : D3D(MakeRef<FakeDirect3D9>(FakeMachine::Typical())) {}

  void CreateDevice() { CreateDeviceFor(DX); }
  // The framework holds the device with the present parameters it had and DeviceCaps.
  void CreateDeviceFor(TW9DirectX& Framework) {
    D3DPRESENT_PARAMETERS Params{};
    Params.Windowed = TRUE;
    Params.BackBufferFormat = D3DFMT_X8R8G8B8;
    Params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    Ref<IDirect3DDevice9> Created;
    ASSERT_EQ(S_OK, D3D->CreateDevice(0, D3DDEVTYPE_HAL, FakeHandle<HWND>(1),
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &Params, &Created));
    Framework.AttachDevice(Created, Framework.PresentParams(), DeviceCaps);
  }
  // The same device, with other present parameters or caps.
  void Reattach(const D3DPRESENT_PARAMETERS& Params, const D3DCAPS9& Caps) {
    DX.AttachDevice(Ref<IDirect3DDevice9>(DX.Device()), Params, Caps);
  }
  // Makes Pool active for DX without the immediate init and restore that activating a pool of
  // a started framework runs, so that a test drives the phases itself.
  void Attach(TWPool& Pool) {
    Pool.SetDX(&DX);
    const Ref<IDirect3DDevice9> Held(DX.Device());
    const bool Started = DX.Started();
    DX.DetachDevice();
    Pool.SetActive(true);
    if (Started) DX.AttachDevice(Held, DX.PresentParams(), DX.Caps());
  }
  FakeDevice9* Device() const { return D3D->LastDevice(); }
  FakeRecorder& Log() { return D3D->Recorder(); }

  Ref<FakeDirect3D9> D3D;
  D3DCAPS9 DeviceCaps{};
  TW9DirectX DX;
};

using TTriangleVertices = std::vector<TD3DVertex>;  // three per triangle

// The triangles a built object draws, read back from its buffers, three vertices each.
inline TTriangleVertices ReadTriangles(TWObject& Object) {
  TTriangleVertices Result;
  void* VertexData = nullptr;
  if (!Object.VertexBuffer() || FAILED(Object.VertexBuffer()->Lock(0, 0, &VertexData, 0)))
    return Result;
  const auto* Vertices = static_cast<const TD3DVertex*>(VertexData);
  if (Object.Indexed()) {
    void* IndexData = nullptr;
    if (SUCCEEDED(Object.IndexBuffer()->Lock(0, 0, &IndexData, 0))) {
      const auto* Indices = static_cast<const WORD*>(IndexData);
      for (int I = 0; I < Object.NumIndices(); ++I) Result.push_back(Vertices[Indices[I]]);
      Object.IndexBuffer()->Unlock();
    }
  } else {
    for (int I = 0; I < Object.NumVertices(); ++I) Result.push_back(Vertices[I]);
  }
  Object.VertexBuffer()->Unlock();
  return Result;
}

// The vertices in the object's vertex buffer, in buffer order.
inline std::vector<TD3DVertex> ReadVertices(TWObject& Object) {
  std::vector<TD3DVertex> Result;
  void* Data = nullptr;
  if (!Object.VertexBuffer() || FAILED(Object.VertexBuffer()->Lock(0, 0, &Data, 0))) return Result;
  const auto* Vertices = static_cast<const TD3DVertex*>(Data);
  Result.assign(Vertices, Vertices + Object.NumVertices());
  Object.VertexBuffer()->Unlock();
  return Result;
}

inline std::vector<WORD> ReadIndices(TWObject& Object) {
  std::vector<WORD> Result;
  void* Data = nullptr;
  if (!Object.IndexBuffer() || FAILED(Object.IndexBuffer()->Lock(0, 0, &Data, 0))) return Result;
  const auto* Indices = static_cast<const WORD*>(Data);
  Result.assign(Indices, Indices + Object.NumIndices());
  Object.IndexBuffer()->Unlock();
  return Result;
}
