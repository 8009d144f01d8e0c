#include "engine/TWTextures.h"

#include "engine/FindMediaFile.h"
#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"
#include "platform/render/d3dx9.h"

TWTexture::TWTexture(TWTextures* Collection) : TWNamedItem(Collection) {
  SetName(Collection->NextFreeName());
  SetFileName(Name());
}

TWTextures* TWTexture::Textures() const {
  return static_cast<TWTextures*>(Collection());
}

void TWTexture::SetFileName(const std::string& Value) {
  if (Value == FFileName) return;
  if (ExtractFileName(FFileName) == Name()) SetName(ExtractFileName(Value));
  FFileName = Value;
  if (FTexture) {
    FTexture = nullptr;
    InitDeviceObjects();
  }
}

HRESULT TWTexture::InitDeviceObjects() {
  const D3DCOLOR Key = ColorKeyCreate ? (ColorKeyColor & 0x00FFFFFFu) | 0xFF000000u : 0;
  FTexture = nullptr;
  TW9DirectX* DX = Textures()->DX;
  IDirect3DDevice9* Device = DX ? DX->Device() : nullptr;
  if (!Device) return D3DERR_INVALIDCALL;

  if (LookInResource) {
    const std::string Resource = ExtractFileStem(FFileName);
    const HRESULT Result = D3DXCreateTextureFromResourceExA(
        Device, 0, Resource.c_str(), 0, 0, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
        D3DX_FILTER_POINT, D3DX_FILTER_POINT, Key, nullptr, nullptr, &FTexture);
    if (SUCCEEDED(Result)) return Result;
  }

  const TWPool* Pool = Textures()->Owner();
  const std::string PathTextures = Pool ? Pool->PathTextures : std::string();
  const TMediaSearchResult Found =
      FindMediaFile(ApplicationDir(), PathTextures, Textures()->ExtraSearchPath, FFileName, Name());
  const HRESULT Result = D3DXCreateTextureFromFileExA(
      Device, Found.Path.c_str(), 0, 0, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_POINT,
      D3DX_FILTER_POINT, Key, nullptr, nullptr, &FTexture);
  if (FAILED(Result))
    ReportMediaProblem(Found.Found ? Found.Path : MediaPathInFolder(PathTextures, FFileName),
                       Found.Found ? "cannot be loaded" : "is missing");
  return Result;
}

HRESULT TWTexture::DeleteDeviceObjects() {
  FTexture = nullptr;
  return S_OK;
}

TWTexture* TWTextures::AddTexture(const std::string& FileName) {
  if (FileName.empty()) return nullptr;
  if (TWTexture* Existing = FindByName(LowerCaseAscii(ExtractFileName(FileName)))) return Existing;
  TWTexture* Item = Add();
  Item->SetFileName(FileName);
  if (FInitialized) Item->InitDeviceObjects();
  return Item;
}

TWTexture* TWTextures::FindByName(const std::string& Name) const {
  const std::string Key = UpperCaseAscii(Name);
  for (int I = 0; I < Count(); ++I)
    if (UpperCaseAscii(Items(I)->Name()) == Key) return Items(I);
  return nullptr;
}

HRESULT TWTextures::InitDeviceObjects(TW9DirectX* ADX) {
  FInitialized = false;
  DX = ADX;
  // Every item is tried: a file that cannot be loaded leaves out its own texture only.
  HRESULT First = S_OK;
  for (int I = 0; I < Count(); ++I) {
    const HRESULT Result = Items(I)->InitDeviceObjects();
    if (SUCCEEDED(First) && FAILED(Result)) First = Result;
  }
  if (SUCCEEDED(First)) FInitialized = true;
  return First;
}

HRESULT TWTextures::DeleteDeviceObjects() {
  TWCollection::DeleteDeviceObjects();
  FInitialized = false;
  return S_OK;
}
