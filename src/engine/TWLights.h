// Fixed-function lights kept in the pool. A light holds the platform's light record with its
// own position, direction and colours, and sends it to the device on request and in every
// restore phase, so lights survive device resets.
#pragma once

#include <string>

#include "engine/TWCollection.h"
#include "platform/render/d3d9types.h"

class TWLights;

class TWLight : public TWCollectionItem {
 public:
  explicit TWLight(TWLights* Collection);

  TWLights* Lights() const;

  int LightIndex() const { return FLightIndex; }
  // Ignored when Value is the current index or another light of the collection uses it.
  void SetLightIndex(int Value);

  bool LightOn() const { return FLightOn; }
  // Stores the flag and, while a device exists, enables or disables the device's light.
  void SetLightOn(bool Value);

  // These reach the device only with the next Apply.
  const D3DVECTOR& Position() const { return FPosition; }
  void SetPosition(const D3DVECTOR& Value) { FPosition = Value; }
  const D3DVECTOR& Direction() const { return FDirection; }
  void SetDirection(const D3DVECTOR& Value) { FDirection = Value; }
  const D3DCOLORVALUE& Diffuse() const { return FDiffuse; }
  void SetDiffuse(const D3DCOLORVALUE& Value) { FDiffuse = Value; }
  const D3DCOLORVALUE& Ambient() const { return FAmbient; }
  void SetAmbient(const D3DCOLORVALUE& Value) { FAmbient = Value; }
  const D3DCOLORVALUE& Specular() const { return FSpecular; }
  void SetSpecular(const D3DCOLORVALUE& Value) { FSpecular = Value; }

  // The record handed to the device; the properties below write it directly.
  const D3DLIGHT9& LightData() const { return FLightData; }
  DWORD LightType() const { return FLightData.Type; }
  void SetLightType(DWORD Value) { FLightData.Type = static_cast<D3DLIGHTTYPE>(Value); }
  float Range() const { return FLightData.Range; }
  void SetRange(float Value) { FLightData.Range = Value; }
  float FallOff() const { return FLightData.Falloff; }
  void SetFallOff(float Value) { FLightData.Falloff = Value; }
  float Attenuation0() const { return FLightData.Attenuation0; }
  void SetAttenuation0(float Value) { FLightData.Attenuation0 = Value; }
  float Attenuation1() const { return FLightData.Attenuation1; }
  void SetAttenuation1(float Value) { FLightData.Attenuation1 = Value; }
  float Attenuation2() const { return FLightData.Attenuation2; }
  void SetAttenuation2(float Value) { FLightData.Attenuation2 = Value; }
  float Theta() const { return FLightData.Theta; }
  void SetTheta(float Value) { FLightData.Theta = Value; }
  float Phi() const { return FLightData.Phi; }
  void SetPhi(float Value) { FLightData.Phi = Value; }

  // Copies position, direction and colours into the record and, while a device exists, sets
  // the device's light.
  void Apply();

  // "Point light 0", "Spot light 1", "Directional light 2", "? Light 3".
  std::string DisplayName() const override;

  HRESULT RestoreDeviceObjects() override;

  // The default range: the single with bit pattern 0x5DCCB70B.
  static float DefaultRange();

 private:
  int FLightIndex = 0;
  bool FLightOn = false;
  D3DLIGHT9 FLightData{};
  D3DVECTOR FPosition{};
  D3DVECTOR FDirection{};
  D3DCOLORVALUE FDiffuse{1.0f, 1.0f, 1.0f, 0.0f};
  D3DCOLORVALUE FAmbient{};
  D3DCOLORVALUE FSpecular{};
};

class TWLights : public TWCollectionOf<TWLight, TWLights> {
 public:
  using TWCollectionOf::TWCollectionOf;

  bool IndexInUse(int Index) const;
  // The smallest index from 0 that no light uses; -1 when none is free.
  int FirstFreeIndex() const;

  // Forgets DX after the items, so that light changes between a device's deletion and the
  // next init touch only the stored values.
  HRESULT DeleteDeviceObjects() override;
};
