#include "platform/render/fake/FakeStateBlock9.h"

#include "platform/render/fake/FakeDevice9.h"

FakeStateBlock9::FakeStateBlock9(const std::shared_ptr<FakeDeviceLink>& Link,
                                 const std::shared_ptr<FakeRecorder>& Recorder, bool D3DXOwn)
    : FCore(this, Link, Recorder, "sb", true, D3DXOwn) {}

void FakeStateBlock9::HoldAll(const FakeDeviceState& State) {
  for (DWORD rs = 0; rs < D3DRS_COUNT; ++rs) RenderStates[rs] = 0;
  for (DWORD stage = 0; stage < kFakeStages; ++stage) {
    for (DWORD type = 0; type < D3DTSS_COUNT; ++type) TextureStageStates[{stage, type}] = 0;
    Textures[stage] = nullptr;
  }
  for (DWORD sampler = 0; sampler < kFakeSamplers; ++sampler) {
    for (DWORD type = 0; type < D3DSAMP_COUNT; ++type) SamplerStates[{sampler, type}] = 0;
  }
  for (const auto& [state, matrix] : State.Transforms) Transforms[state] = matrix;
  for (DWORD state : {static_cast<DWORD>(D3DTS_WORLD), static_cast<DWORD>(D3DTS_VIEW),
                      static_cast<DWORD>(D3DTS_PROJECTION)}) {
    Transforms[state] = D3DMATRIX{};
  }
  Material = D3DMATERIAL9{};
  for (const auto& [index, light] : State.Lights) Lights[index] = light;
  for (const auto& [index, enabled] : State.LightEnabled) LightEnabled[index] = enabled;
  FVF = 0;
  Viewport = D3DVIEWPORT9{};
  Stream = TStream{};
  ReadFrom(State);
}

void FakeStateBlock9::ReadFrom(const FakeDeviceState& State) {
  for (auto& [rs, value] : RenderStates) value = State.RenderStates[rs];
  for (auto& [key, value] : TextureStageStates) {
    value = State.TextureStageStates[key.first][key.second];
  }
  for (auto& [key, value] : SamplerStates) value = State.SamplerStates[key.first][key.second];
  for (auto& [state, matrix] : Transforms) matrix = State.Transform(state);
  if (Material) Material = State.Material;
  for (auto& [index, light] : Lights) {
    auto it = State.Lights.find(index);
    if (it != State.Lights.end()) light = it->second;
  }
  for (auto& [index, enabled] : LightEnabled) {
    auto it = State.LightEnabled.find(index);
    enabled = it != State.LightEnabled.end() ? it->second : FALSE;
  }
  for (auto& [stage, texture] : Textures) texture = State.Textures[stage];
  if (FVF) FVF = State.FVF;
  if (Viewport) Viewport = State.Viewport;
  if (Stream)
    Stream = TStream{State.StreamSource, State.StreamOffset, State.StreamStride, State.Indices};
}

HRESULT FakeStateBlock9::Capture() {
  auto call = FCore.Recorder().Enter("Capture", FakeArgs(FCore.Label()));
  if (call.Failed()) return call.Injected();
  FakeDevice9* device = FCore.Device();
  if (!device) return call.Return(D3DERR_INVALIDCALL);
  ReadFrom(device->State());
  return call.Return(D3D_OK);
}

HRESULT FakeStateBlock9::Apply() {
  auto call = FCore.Recorder().Enter("Apply", FakeArgs(FCore.Label()));
  if (call.Failed()) return call.Injected();
  FakeDevice9* device = FCore.Device();
  if (!device) return call.Return(D3DERR_INVALIDCALL);
  for (const auto& [rs, value] : RenderStates) {
    device->StoreRenderState(static_cast<D3DRENDERSTATETYPE>(rs), value);
  }
  for (const auto& [key, value] : TextureStageStates) {
    device->StoreTextureStageState(key.first, static_cast<D3DTEXTURESTAGESTATETYPE>(key.second),
                                   value);
  }
  for (const auto& [key, value] : SamplerStates) {
    device->StoreSamplerState(key.first, static_cast<D3DSAMPLERSTATETYPE>(key.second), value);
  }
  for (const auto& [state, matrix] : Transforms) device->StoreTransform(state, matrix);
  for (const auto& [stage, texture] : Textures) device->StoreTexture(stage, texture.Get());
  FakeDeviceState& state = device->MutableState();
  if (Material) state.Material = *Material;
  for (const auto& [index, light] : Lights) state.Lights[index] = light;
  for (const auto& [index, enabled] : LightEnabled) state.LightEnabled[index] = enabled;
  if (FVF) state.FVF = *FVF;
  if (Viewport) state.Viewport = *Viewport;
  if (Stream) {
    state.StreamSource = Stream->Buffer;
    state.StreamOffset = Stream->Offset;
    state.StreamStride = Stream->Stride;
    state.Indices = Stream->Indices;
  }
  return call.Return(D3D_OK);
}
