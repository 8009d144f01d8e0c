#include "scene/TWPlanet.h"

#include <algorithm>
#include <cmath>

#include "engine/TW9DirectX.h"
#include "engine/TWObjects.h"
#include "engine/TWPool.h"
#include "engine/TWTextures.h"
#include "scene/AlphaTest.h"
#include "scene/Catalogue.h"
#include "scene/Random.h"

namespace zelmar {

namespace {

constexpr double kHalfPi = 1.57079632679489661923;
// The shadow tube runs along local z; this turns it onto x (single pi/2, as stored).
constexpr float kShadowTurn = 1.5707964f;
constexpr float kMaxShadowAlpha = 0.8f;

// Segments of the spheres per quality, coarse mesh; the medium and fine ones have two and three
// times as many. The shadow tube's count per quality beside it.
int SphereSegments(std::uint8_t Quality) {
  switch (Quality) {
    case 0:
      return 8;
    case 1:
      return 6;
    case 2:
      return 4;
    default:
      return 0;
  }
}
int TubeSegments(std::uint8_t Quality) {
  switch (Quality) {
    case 0:
      return 20;
    case 1:
      return 15;
    case 2:
      return 10;
    default:
      return 0;
  }
}

void SetSegments(TWObject* Object, int Count) {
  Object->SetSegmentsX(Count);
  Object->SetSegmentsY(Count);
  Object->SetSegmentsZ(Count);
}

D3DMATERIAL9 Material(const D3DCOLORVALUE& Colour, const D3DCOLORVALUE& Specular, float Power) {
  D3DMATERIAL9 m{};
  m.Diffuse = Colour;
  m.Ambient = Colour;
  m.Specular = Specular;
  m.Power = Power;
  return m;
}

IDirect3DBaseTexture9* PlatformTexture(TWTexture* Texture) {
  return Texture ? Texture->Texture() : nullptr;
}

float Sign(float x) {
  return static_cast<float>((x > 0.0f) - (x < 0.0f));
}

}  // namespace

float AxisAngle(float Tilt) {
  // Worked out in double, stored as a single.
  return static_cast<float>(Tilt - kHalfPi);
}

TWPlanet::TWPlanet(TWObjects* Objects, float Speed, std::uint8_t Quality, bool ALit, int Diameter,
                   int DistanceValue, int AViewDistance, float OrbitalPeriod, float RotationPeriod,
                   float ATilt, bool AHasShadow) {
  Radius = SceneRadius(Diameter);
  Distance = SceneDistance(DistanceValue);
  OnMount = false;
  HasShadow = AHasShadow;

  // Huge bodies get proportionally more segments; every catalogue body has base 1.
  const int Base = Nearest(Radius * Radius / 10000.0f) + 1;
  const int Sphere = SphereSegments(Quality) * Base;
  for (int i = 0; i < 3; ++i) {
    TWObject* Mesh = Objects->Add();
    Mesh->SetObjectType(dxotEllipse);
    if (Sphere > 0) SetSegments(Mesh, Sphere * (i + 1));
    Mesh->SetSize({Radius, Radius, Radius});
    Mesh->SetPosition({0.0f, 0.0f, 0.0f});
    Meshes[i] = Mesh;
  }
  if (HasShadow) {
    ShadowMesh = Objects->Add();
    ShadowMesh->SetObjectType(dxotTube);
    if (TubeSegments(Quality) > 0) SetSegments(ShadowMesh, TubeSegments(Quality) * Base);
  }

  ViewDistance = AViewDistance;
  SpinRate = RotationPeriod != 0.0f ? Speed / RotationPeriod : 0.0f;
  OrbitRate = OrbitalPeriod != 0.0f ? Speed / OrbitalPeriod : 0.0f;
  Tilt = ATilt;
  if (HasShadow) {
    ShadowMesh->SetSize({Radius, Radius, 15.0f * Radius});
    ShadowMesh->SetPosition({0.0f, 0.0f, 0.0f});
  }

  Lit = ALit;
  Stats.Count = 0;
  Phase = static_cast<float>(Random(1000));
}

float TWPlanet::OrbitAngle(TW9DirectX* DX) const {
  return DX->AppTime() * OrbitRate + Phase;
}

TD3DMatrix TWPlanet::OrbitRotation(TW9DirectX* DX) const {
  return MatrixRotationY(OrbitAngle(DX));
}

TD3DMatrix TWPlanet::SpinAndAxis(float t, float Orbit) const {
  // RotationY(-Orbit) cancels the later orbital turn, so the axis keeps its direction in space.
  return MatrixRotationZ(t * SpinRate) * MatrixRotationX(AxisAngle(Tilt)) * MatrixRotationY(-Orbit);
}

TD3DMatrix TWPlanet::WorldMatrix(TW9DirectX* DX) const {
  const float Theta = OrbitAngle(DX);
  return SpinAndAxis(DX->AppTime(), Theta) * MatrixTranslation(Distance, 0.0f, 0.0f) *
         MatrixRotationY(Theta);
}

TD3DMatrix TWPlanet::ShadowMatrix(TW9DirectX* DX) const {
  return MatrixRotationY(kShadowTurn) * MatrixTranslation(15.0f * Radius, 0.0f, 0.0f) *
         MatrixTranslation(Distance, 0.0f, 0.0f) * OrbitRotation(DX);
}

TD3DVector TWPlanet::Position(TW9DirectX* DX) const {
  return MatrixOrigin(MatrixTranslation(Distance, 0.0f, 0.0f) * OrbitRotation(DX));
}

TD3DVector TWPlanet::Centre(TW9DirectX* DX) const {
  return Position(DX);
}

TWObject* TWPlanet::SelectMesh(TW9DirectX* DX, const TD3DVector& Eye) {
  return MeshForDistance(VectorLength(Centre(DX) - Eye));
}

TWObject* TWPlanet::MeshForDistance(float d) const {
  if (d > 600.0f) return Meshes[0];
  if (d > 300.0f) return Meshes[1];
  return Meshes[2];
}

bool TWPlanet::CanDrawNightSide(const D3DCAPS9& Caps) {
  return Caps.MaxTextureBlendStages >= 2 && Caps.MaxSimultaneousTextures >= 2 &&
         (Caps.TextureOpCaps & D3DTEXOPCAPS_MULTIPLYADD);
}

void TWPlanet::Draw(TW9DirectX* DX, const TD3DVector& Eye) {
  IDirect3DDevice9* Device = DX->Device();
  if (!Device) return;
  Device->SetTexture(0, PlatformTexture(Texture));
  const D3DMATERIAL9 m = Material({1, 1, 1, 1}, {0.8f, 0.8f, 0.8f, 0}, 25.0f);
  Device->SetMaterial(&m);
  Device->SetRenderState(D3DRS_LIGHTING, Lit);
  IDirect3DBaseTexture9* Night = PlatformTexture(NightTexture);
  const bool NightSide = Night && Lit && PlatformTexture(Texture) && CanDrawNightSide(DX->Caps());
  if (NightSide) {
    // Stage 0 leaves day x lit colour in the current register; stage 1 adds the night map
    // weighted by what the light leaves dark: current + night x (1 - lit), so the lights fade
    // in across the terminator with the lighting itself.
    Device->SetTexture(1, Night);
    Device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    Device->SetTextureStageState(1, D3DTSS_COLORARG0, D3DTA_CURRENT);
    Device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    Device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_DIFFUSE | D3DTA_COMPLEMENT);
    Device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MULTIPLYADD);
    Device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
    Device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    Device->SetSamplerState(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    Device->SetSamplerState(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  }
  if (TWObject* Mesh = SelectMesh(DX, Eye)) Mesh->Render();
  if (NightSide) {
    Device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    Device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    Device->SetTexture(1, nullptr);
  }
}

float TWPlanet::ShadowAlpha(const TD3DVector& Eye) const {
  const float EyeDistance = VectorLength(Eye);
  // An eye at the Sun (or a body at it) would divide by zero; the cone is then at its
  // strongest.
  if (EyeDistance == 0.0f || Distance == 0.0f) return kMaxShadowAlpha;
  return std::min(100000.0f / Distance / EyeDistance, kMaxShadowAlpha);
}

bool TWPlanet::ShadowShows(TW9DirectX* DX, const TD3DVector& Eye) const {
  if (!HasShadow || !ShadowMesh) return false;
  // The texture's alpha times the material's: the material's is the most any pixel gets. The
  // outer planets' cones are below the test's reference wherever the eye is near them, and
  // their two blended layers would otherwise be shaded over much of the screen for nothing.
  return !NoPixelPasses(ShadowAlpha(Eye), AlphaTestAvailable(DX));
}

bool TWPlanet::AlphaTestAvailable(TW9DirectX* DX) {
  return (DX->Caps().AlphaCmpCaps & D3DPCMPCAPS_GREATEREQUAL) != 0;
}

void TWPlanet::DrawShadow(TW9DirectX* DX, const TD3DVector& Eye) {
  IDirect3DDevice9* Device = DX->Device();
  if (!Device || !ShadowShows(DX, Eye)) return;
  Device->SetTexture(0, PlatformTexture(ShadowTexture));
  Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  Device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  Device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  Device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  Device->SetRenderState(D3DRS_LIGHTING, TRUE);
  if (AlphaTestAvailable(DX)) {
    Device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    Device->SetRenderState(D3DRS_ALPHAREF, kEffectAlphaRef);
    Device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  }
  const float Alpha = ShadowAlpha(Eye);
  const D3DMATERIAL9 m = Material({1, 1, 1, Alpha}, {0, 0, 0, 0}, 40.0f);
  Device->SetMaterial(&m);
  if (ShadowMesh) ShadowMesh->Render();
  Device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

void TWPlanet::ResizeMeshes() {
  for (TWObject* Mesh : Meshes) Mesh->SetSize({Radius, Radius, Radius});
}

void TWPlanet::MakeBrass(TWPool* Pool) {
  OnMount = true;
  Tilt = 0.0f;
  // Inner bodies stand on short rods with high arms; the outermost reach down to -40.
  const float a = Distance == 0.0f ? 0.0f : (12000.0f - Distance) / 600.0f;

  RodMesh = Pool->WObjects().Add();
  RodMesh->SetObjectType(dxotTube);
  RodMesh->SetSize({0.4f, 0.4f, 20.0f - a / 2.0f - Radius / 4.0f});
  RodMesh->SetPosition({0.0f, 0.0f, -(20.0f - a / 2.0f + Radius / 4.0f)});
  SetSegments(RodMesh, 4);

  Radius = Radius / 2.0f + 5.0f;
  ResizeMeshes();
  Distance = 9.0f * Sign(Distance) + Distance / 5.0f;

  ArmMesh = Pool->WObjects().Add();
  ArmMesh->SetObjectType(dxotCube);
  ArmMesh->SetSize({Distance / 2.0f, 0.1f, 0.6f});
  ArmMesh->SetPosition({Distance / 2.0f, a - 40.0f, 0.0f});
  SetSegments(ArmMesh, 1);

  RodTexture = Pool->WTextures().Add();
  RodTexture->SetFileName(kRodTextureFile);
  Lit = true;
  ArmTexture = Pool->WTextures().Add();
  ArmTexture->SetFileName(kRodTextureFile);
}

void TWPlanet::DrawRod(TW9DirectX* DX, const D3DCOLORVALUE& Specular, float Power) {
  IDirect3DDevice9* Device = DX->Device();
  const D3DMATERIAL9 m = Material({1, 1, 1, 1}, Specular, Power);
  Device->SetMaterial(&m);
  Device->SetRenderState(D3DRS_LIGHTING, TRUE);
  Device->SetTexture(0, PlatformTexture(RodTexture));
  if (RodMesh) RodMesh->Render();
}

void TWPlanet::DrawMount(TW9DirectX* DX) {
  if (!OnMount || !DX->Device()) return;
  DrawRod(DX, {0.8f, 0.8f, 0.8f, 0}, 25.0f);
  const TD3DMatrix Arm = OrbitRotation(DX);
  DX->Device()->SetTransform(D3DTS_WORLD, &Arm);
  DX->Device()->SetTexture(0, PlatformTexture(ArmTexture));
  if (ArmMesh) ArmMesh->Render();
}

bool TWPlanet::IsHiddenBy(TWPlanet* Other, const TD3DVector& Eye, TW9DirectX* DX) {
  const TD3DVector u = Eye - Position(DX);
  const TD3DVector v = Eye - Other->Position(DX);
  const float Angle = AngleBetween(u, v);
  // atan2 rather than atan of the quotient: an eye at a body's centre sees it at a half-size of
  // pi/2 instead of dividing by zero.
  const float rs = std::atan2(Radius, VectorLength(u));
  const float ro = std::atan2(Other->Radius, VectorLength(v));
  return std::fabs(ro) >= std::fabs(Angle) + std::fabs(rs);
}

}  // namespace zelmar
