// A fake state block: the states it holds, each with its value. A recorded block holds the
// states set between BeginStateBlock and EndStateBlock (stream source and index buffer left
// out); CreateStateBlock holds all of them, the stream source and index buffer included (the
// fake makes no difference between the ALL, PIXELSTATE and VERTEXSTATE kinds).
#pragma once

#include <map>
#include <optional>
#include <utility>

#include "platform/render/fake/FakeResource.h"

struct FakeDeviceState;

class FakeStateBlock9 : public FakeStateBlock9Base {
 public:
  // D3DXOwn: a block our D3DX's font or sprite keeps for itself.
  FakeStateBlock9(const std::shared_ptr<FakeDeviceLink>& Link,
                  const std::shared_ptr<FakeRecorder>& Recorder, bool D3DXOwn = false);

  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return FCore.GetDevice(ppDevice); }
  HRESULT Capture() override;
  HRESULT Apply() override;

  const std::string& Label() const { return FCore.Label(); }
  // Makes the block hold every state with its current value.
  void HoldAll(const FakeDeviceState& State);

  std::map<DWORD, DWORD> RenderStates;
  std::map<std::pair<DWORD, DWORD>, DWORD> TextureStageStates;  // (stage, type)
  std::map<std::pair<DWORD, DWORD>, DWORD> SamplerStates;       // (sampler, type)
  std::map<DWORD, D3DMATRIX> Transforms;
  std::optional<D3DMATERIAL9> Material;
  std::map<DWORD, D3DLIGHT9> Lights;
  std::map<DWORD, BOOL> LightEnabled;
  std::map<DWORD, Ref<IDirect3DBaseTexture9>> Textures;
  std::optional<DWORD> FVF;
  std::optional<D3DVIEWPORT9> Viewport;
  struct TStream {
    Ref<IDirect3DVertexBuffer9> Buffer;
    UINT Offset = 0;
    UINT Stride = 0;
    Ref<IDirect3DIndexBuffer9> Indices;
  };
  std::optional<TStream> Stream;

 private:
  void ReadFrom(const FakeDeviceState& State);
  FakeResourceCore FCore;
};
