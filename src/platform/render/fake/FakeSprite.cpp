#include "platform/render/fake/FakeSprite.h"

#include <sstream>

#include "platform/render/d3dx/SpriteState.h"
#include "platform/render/fake/FakeDevice9.h"
#include "platform/render/fake/FakeNames.h"
#include "platform/render/fake/FakeTexture9.h"

namespace {

std::string VectorText(const D3DXVECTOR2* V) {
  if (!V) return "null";
  std::ostringstream out;
  out << "(" << V->x << "," << V->y << ")";
  return out.str();
}

}  // namespace

FakeSprite::FakeSprite(FakeDevice9* Device, Ref<ID3DXSprite> Sprite)
    : FCore(this, Device->Link(), Device->SharedRecorder(), "sprite", false),
      FSprite(std::move(Sprite)) {}

template <class Work>
HRESULT FakeSprite::Serve(const std::string& Method, std::string Args, Work&& DoIt) {
  auto call = FCore.Recorder().Enter(Method, std::move(Args));
  if (call.Failed()) return call.Injected();
  HRESULT result;
  {
    auto quiet = FCore.Recorder().Quiet();
    result = DoIt();
  }
  return call.Return(result);
}

HRESULT FakeSprite::Begin() {
  return Serve("Begin", FakeArgs(FCore.Label()), [&] { return FSprite->Begin(); });
}

HRESULT FakeSprite::End() {
  return Serve("End", FakeArgs(FCore.Label()), [&] { return FSprite->End(); });
}

HRESULT FakeSprite::OnLostDevice() {
  return Serve("OnLostDevice", FakeArgs(FCore.Label()), [&] { return FSprite->OnLostDevice(); });
}

HRESULT FakeSprite::OnResetDevice() {
  return Serve("OnResetDevice", FakeArgs(FCore.Label()), [&] { return FSprite->OnResetDevice(); });
}

HRESULT FakeSprite::Draw(IDirect3DTexture9* pSrcTexture, const RECT* pSrcRect,
                         const D3DXVECTOR2* pScaling, const D3DXVECTOR2* pRotationCenter,
                         float Rotation, const D3DXVECTOR2* pTranslation, D3DCOLOR Color) {
  const HRESULT result = Serve(
      "Draw",
      FakeArgs(FCore.Label(), FakeLabel(pSrcTexture), FakeRectText(pSrcRect), VectorText(pScaling),
               VectorText(pRotationCenter), Rotation, VectorText(pTranslation), FakeHex(Color)),
      [&] {
        return FSprite->Draw(pSrcTexture, pSrcRect, pScaling, pRotationCenter, Rotation,
                             pTranslation, Color);
      });
  FakeDevice9* Device = FCore.Device();
  if (FAILED(result) || !Device) return result;
  // The texture's size read without a call of its own, so the log shows only what the engine
  // called.
  D3DSURFACE_DESC Desc{};
  if (auto* Texture = dynamic_cast<FakeTexture9*>(pSrcTexture); Texture && Texture->GetLevelCount())
    Desc = Texture->Desc(0);
  SpriteState::Corner Corners[4];
  SpriteState::Quad(Desc.Width, Desc.Height, pSrcRect, pScaling, pRotationCenter, Rotation,
                    pTranslation, Corners);
  FakeDraw Record;
  Record.Method = "ID3DXSprite::Draw";
  Record.PrimitiveType = D3DPT_TRIANGLESTRIP;
  Record.PrimitiveCount = 2;
  Record.Stride = sizeof(FakeSpriteVertex);
  for (const SpriteState::Corner& C : Corners) {
    const FakeSpriteVertex V{C.x, C.y, 0.0f, 1.0f, Color};
    const auto* Bytes = reinterpret_cast<const BYTE*>(&V);
    Record.Vertices.insert(Record.Vertices.end(), Bytes, Bytes + sizeof V);
  }
  Device->RecordDraw(std::move(Record), pSrcTexture, FakeSpriteFVF);
  return result;
}
