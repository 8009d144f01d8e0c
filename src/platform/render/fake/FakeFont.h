// The fake's D3DX font: our D3DX font (measuring with FakeGlyphs) behind a thin recording
// layer. Each call the engine makes is logged with its arguments and can be failed on request;
// what the font does on the device to serve it is left out of the log and of the draws.
#pragma once

#include "platform/render/d3dx9.h"
#include "platform/render/fake/FakeResource.h"

class FakeFont : public ID3DXFont {
 public:
  FakeFont(FakeDevice9* Device, Ref<ID3DXFont> Font);

  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return FCore.GetDevice(ppDevice); }
  HRESULT GetDescA(D3DXFONT_DESCA* pDesc) override { return FFont->GetDescA(pDesc); }
  INT DrawTextA(const char* pString, INT Count, RECT* pRect, DWORD Format, D3DCOLOR Color) override;
  HRESULT OnLostDevice() override;
  HRESULT OnResetDevice() override;

  const std::string& Label() const { return FCore.Label(); }

 private:
  FakeResourceCore FCore;
  Ref<ID3DXFont> FFont;
};
