#include "engine/TWLights.h"

#include <bit>
#include <climits>

#include "engine/TW9DirectX.h"

namespace {

IDirect3DDevice9* DeviceOf(const TWLights* Lights) {
  return Lights->DX ? Lights->DX->Device() : nullptr;
}

}  // namespace

float TWLight::DefaultRange() {
  return std::bit_cast<float>(0x5DCCB70Bu);
}

TWLight::TWLight(TWLights* Collection) : TWCollectionItem(Collection) {
  FLightData = D3DLIGHT9{};
  FLightData.Type = D3DLIGHT_DIRECTIONAL;
  FLightData.Range = DefaultRange();
  // The new light holds index 0 while it looks for a free one; moving it off first keeps it
  // from counting itself.
  SetLightIndex(-1);
  SetLightIndex(Lights()->FirstFreeIndex());
}

TWLights* TWLight::Lights() const {
  return static_cast<TWLights*>(Collection());
}

void TWLight::SetLightIndex(int Value) {
  if (Value == FLightIndex || Lights()->IndexInUse(Value)) return;
  FLightIndex = Value;
}

void TWLight::SetLightOn(bool Value) {
  FLightOn = Value;
  if (IDirect3DDevice9* Device = DeviceOf(Lights()))
    Device->LightEnable(static_cast<DWORD>(FLightIndex), Value ? -1 : 0);
}

void TWLight::Apply() {
  FLightData.Position = FPosition;
  FLightData.Direction = FDirection;
  FLightData.Diffuse = FDiffuse;
  FLightData.Ambient = FAmbient;
  FLightData.Specular = FSpecular;
  if (IDirect3DDevice9* Device = DeviceOf(Lights()))
    Device->SetLight(static_cast<DWORD>(FLightIndex), &FLightData);
}

std::string TWLight::DisplayName() const {
  const char* Format = "? Light %d";
  switch (FLightData.Type) {
    case D3DLIGHT_POINT:
      Format = "Point light %d";
      break;
    case D3DLIGHT_SPOT:
      Format = "Spot light %d";
      break;
    case D3DLIGHT_DIRECTIONAL:
      Format = "Directional light %d";
      break;
    default:  // Windows' enumeration has a sentinel value too
      break;
  }
  std::string Text = Format;
  return Text.replace(Text.find("%d"), 2, std::to_string(FLightIndex));
}

HRESULT TWLight::RestoreDeviceObjects() {
  Apply();
  SetLightOn(FLightOn);
  return S_OK;
}

bool TWLights::IndexInUse(int Index) const {
  for (int I = 0; I < Count(); ++I)
    if (Items(I)->LightIndex() == Index) return true;
  return false;
}

int TWLights::FirstFreeIndex() const {
  for (int I = 0; I < INT_MAX; ++I)
    if (!IndexInUse(I)) return I;
  return -1;
}

HRESULT TWLights::DeleteDeviceObjects() {
  TWCollection::DeleteDeviceObjects();
  DX = nullptr;
  return S_OK;
}
