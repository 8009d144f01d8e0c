#include "scene/TWLensFlare.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/TW9DirectX.h"
#include "engine/TWObjects.h"
#include "engine/TWPool.h"
#include "engine/TWTextures.h"
#include "scene/AlphaTest.h"

namespace zelmar {

namespace {

// Half-width of each square and its place along the flare line: 0 is the Sun's flare point,
// 1 the centre of the view, 2 the Sun's mirror image.
struct TElement {
  float Size;
  float Position;
};
constexpr TElement kElements[TWLensFlare::ElementCount] = {
    {0.5f, 1.5f},  {0.3f, 0.4f},  {0.1f, 0.5f},  {0.2f, 0.3f},  {0.05f, 0.35f},
    {0.6f, -0.5f}, {0.15f, 1.2f}, {0.25f, 1.0f}, {0.05f, 0.8f},
};

}  // namespace

TWLensFlare::TWLensFlare(TWPool* APool) {
  for (int I = 0; I < ElementCount; ++I) {
    const float S = kElements[I].Size;
    FlarePositions[I] = kElements[I].Position;
    FlareTextures[I] = APool->WTextures().AddTexture("flare" + std::to_string(I + 1) + ".tga");
    TWObject* Square = APool->WObjects().Add();
    Square->SetObjectType(dxotPlaneXY2);
    Square->SetSegmentsX(1);
    Square->SetSegmentsY(1);
    Square->SetSegmentsZ(1);
    Square->SetSize({S, S, S});
    Square->SetPosition({0.0f, 0.0f, -S});
    FlareElements[I] = Square;
  }
  Pool = APool;
}

TWLensFlare::TLayout TWLensFlare::Layout(const TD3DVector& Eye, const TD3DVector& Target) {
  TLayout L;
  const TD3DVector N = VectorNormalize(Eye - Target);
  const float F = -VectorDot(Target, N) / VectorDot(N, Eye);
  const TD3DVector P = Eye * F;
  const TD3DVector Across = VectorCross(N, TD3DVector(0.0f, 1.0f, 0.0f));
  // Straight up or down the view has no horizontal axis; the flare is then left out.
  if (VectorLength(Across) == 0.0f) return L;
  const TD3DVector R = VectorNormalize(Across);
  const TD3DVector U = VectorNormalize(VectorCross(N, R));
  const float D = VectorLength(Eye);
  L.kx = VectorDot(P, R) / D;
  L.ky = VectorDot(P, U) / D;
  if (!std::isfinite(L.kx) || !std::isfinite(L.ky)) return TLayout{};
  float T = std::min(40.0f * (std::fabs(L.kx) + std::fabs(L.ky)), 1.0f);
  if (D < 300.0f) T = T * (D - 200.0f) / 100.0f;
  if (T < 0.0f) T = 0.0f;
  L.Opacity = T;
  L.Defined = true;
  return L;
}

TD3DVector TWLensFlare::ElementPosition(const TLayout& L, int I) const {
  const TD3DVector A(5.0f * L.kx, -5.0f * L.ky, 0.0f);
  const TD3DVector B(-5.0f * L.kx, 5.0f * L.ky, 0.0f);
  return A + B * FlarePositions[I];
}

bool TWLensFlare::Invisible(float Opacity, bool AlphaTest) {
  // MODULATE2X doubles the texture's alpha times the opacity.
  return NoPixelPasses(2.0f * Opacity, AlphaTest);
}

void TWLensFlare::Render(const TD3DVector& Eye, const TD3DVector& Target, TW9DirectX* DX) {
  IDirect3DDevice9* Device = DX ? DX->Device() : nullptr;
  if (!Device) return;
  const TLayout L = Layout(Eye, Target);
  if (!L.Defined) return;
  D3DCAPS9 Caps{};
  const bool AlphaTest =
      SUCCEEDED(Device->GetDeviceCaps(&Caps)) && (Caps.AlphaCmpCaps & D3DPCMPCAPS_GREATEREQUAL);
  // Close to the Sun or looking straight at it the flare fades out; its squares would then
  // cost the whole of their area for no pixel.
  if (Invisible(L.Opacity, AlphaTest)) return;

  Device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  // The elements live in a view of their own, five units in front of the camera; the
  // projection stays the scene's.
  const TD3DVector FlareEye(0.0f, 0.0f, -5.0f), FlareAt(0.0f, 0.0f, 0.0f), Up(0.0f, 1.0f, 0.0f);
  TD3DMatrix View;
  D3DXMatrixLookAtLH(&View, &FlareEye, &FlareAt, &Up);
  Device->SetTransform(D3DTS_VIEW, &View);

  Device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  Device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE2X);
  Device->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
  Device->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
  Device->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
  Device->SetRenderState(D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL);
  Device->SetRenderState(D3DRS_LIGHTING, TRUE);
  Device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  Device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  if (AlphaTest) {
    Device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    Device->SetRenderState(D3DRS_ALPHAREF, kEffectAlphaRef);
    Device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  }

  D3DMATERIAL9 Material{};
  Material.Diffuse = {1.0f, 1.0f, 1.0f, L.Opacity};
  Material.Ambient = {1.0f, 1.0f, 1.0f, L.Opacity};
  Material.Power = 40.0f;
  Device->SetMaterial(&Material);

  for (int I = 0; I < ElementCount; ++I) {
    // An element without its picture would be a grey square: left out.
    if (!FlareTextures[I] || !FlareTextures[I]->Texture()) continue;
    Device->SetTexture(0, FlareTextures[I]->Texture());
    const TD3DVector At = ElementPosition(L, I);
    const TD3DMatrix World = MatrixTranslation(At.x, At.y, At.z);
    Device->SetTransform(D3DTS_WORLD, &World);
    if (FlareElements[I]) FlareElements[I]->Render();
  }

  Device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  Device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  Device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
}

}  // namespace zelmar
