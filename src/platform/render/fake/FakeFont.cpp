#include "platform/render/fake/FakeFont.h"

#include <algorithm>
#include <cstring>

#include "platform/render/fake/FakeDevice9.h"
#include "platform/render/fake/FakeNames.h"

FakeFont::FakeFont(FakeDevice9* Device, Ref<ID3DXFont> Font)
    : FCore(this, Device->Link(), Device->SharedRecorder(), "font", false),
      FFont(std::move(Font)) {}

INT FakeFont::DrawTextA(const char* pString, INT Count, RECT* pRect, DWORD Format, D3DCOLOR Color) {
  std::string text;
  if (pString) {
    const std::size_t length = std::strlen(pString);
    text.assign(pString, Count < 0 ? length : std::min(length, static_cast<std::size_t>(Count)));
  }
  auto call = FCore.Recorder().Enter(
      "DrawTextA", FakeArgs(FCore.Label(), "\"" + text + "\"", Count, FakeRectText(pRect),
                            FakeHex(Format), FakeHex(Color)));
  if (call.Failed()) {
    call.Return(E_FAIL);
    return 0;
  }
  INT height;
  {
    auto quiet = FCore.Recorder().Quiet();
    height = FFont->DrawTextA(pString, Count, pRect, Format, Color);
  }
  call.Return(height ? D3D_OK : E_FAIL);
  return height;
}

HRESULT FakeFont::OnLostDevice() {
  auto call = FCore.Recorder().Enter("OnLostDevice", FakeArgs(FCore.Label()));
  if (call.Failed()) return call.Injected();
  auto quiet = FCore.Recorder().Quiet();
  return call.Return(FFont->OnLostDevice());
}

HRESULT FakeFont::OnResetDevice() {
  auto call = FCore.Recorder().Enter("OnResetDevice", FakeArgs(FCore.Label()));
  if (call.Failed()) return call.Injected();
  auto quiet = FCore.Recorder().Quiet();
  return call.Return(FFont->OnResetDevice());
}
