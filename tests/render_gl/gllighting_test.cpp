// Lighting, materials and vertex colours through the fixed-function emulation, on pixels.
#include <QDir>
#include <algorithm>

#include "gltestfixture.h"

namespace {

class GLLightingTest : public GLDeviceTest {
 protected:
  // Draws a sphere of radius 1.5 at the origin with a white point light to its right.
  void DrawLitSphere(bool specular, const char* snapshot = nullptr) {
    SetCamera();
    const std::vector<MeshVertex> sphere = Sphere(1.5f, 48, 24);
    Ref<IDirect3DVertexBuffer9> vb;
    ASSERT_EQ(device_->CreateVertexBuffer(static_cast<UINT>(sphere.size() * sizeof(MeshVertex)), 0,
                                          0, D3DPOOL_MANAGED, &vb, nullptr),
              D3D_OK);
    void* data = nullptr;
    vb->Lock(0, 0, &data, 0);
    std::copy(sphere.begin(), sphere.end(), static_cast<MeshVertex*>(data));
    vb->Unlock();

    D3DLIGHT9 light;
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = {0.7f, 0.7f, 0.7f, 1.0f};
    light.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Position = {6.0f, 0.0f, -3.0f};
    light.Range = 100.0f;
    light.Attenuation0 = 1.0f;
    device_->SetLight(0, &light);
    device_->LightEnable(0, TRUE);
    D3DMATERIAL9 material;
    material.Diffuse = material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Power = 20.0f;
    device_->SetMaterial(&material);
    device_->SetRenderState(D3DRS_AMBIENT, 0xFF202020);
    device_->SetRenderState(D3DRS_SPECULARENABLE, specular);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device_->BeginScene();
    device_->SetStreamSource(0, vb.Get(), 0, sizeof(MeshVertex));
    device_->SetFVF(0x112);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(sphere.size() / 3)),
              D3D_OK);
    device_->EndScene();
    if (snapshot) Grab().save(QString::fromStdString(TempPath(snapshot)));
  }
  int MaxBrightness() {
    const QImage image = Grab();
    int best = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        best = std::max(
            best, Brightness(reinterpret_cast<const std::uint32_t*>(image.constScanLine(y))[x]));
    return best;
  }
};

TEST_F(GLLightingTest, SphereIsBrighterTowardsThePointLight) {
  DrawLitSphere(false);
  const int right = Brightness(Pixel(46, 32)), left = Brightness(Pixel(18, 32));
  EXPECT_GT(right, left + 150) << "right " << right << " left " << left;
  // The far side still shows the global ambient (0x20 per channel), and the background is black.
  EXPECT_GE(Channel(Pixel(12, 32), 16), 0x1E);
  EXPECT_EQ(Pixel(1, 1), 0xFF000000u);
}

TEST_F(GLLightingTest, SpecularHighlightOnlyWhenEnabled) {
  DrawLitSphere(false);
  const int plain = MaxBrightness();
  DrawLitSphere(true, "lit_sphere.png");
  const int shiny = MaxBrightness();
  EXPECT_LT(plain, 3 * 235);
  EXPECT_GT(shiny, plain + 60) << "plain " << plain << " shiny " << shiny;
}

TEST_F(GLLightingTest, NothingBeyondTheLightsRange) {
  SetCamera();
  D3DLIGHT9 light;
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = light.Ambient = {1, 1, 1, 1};
  light.Position = {0, 0, -2};
  light.Range = 1.0f;  // the quad at z = 0 is 2 away
  light.Attenuation0 = 1.0f;
  device_->SetLight(0, &light);
  device_->LightEnable(0, TRUE);
  D3DMATERIAL9 material;
  material.Diffuse = material.Ambient = {1, 1, 1, 1};
  device_->SetMaterial(&material);
  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  const MeshVertex quad[4] = {{-1, 1, 0, 0, 0, -1, 0, 0},
                              {1, 1, 0, 0, 0, -1, 1, 0},
                              {-1, -1, 0, 0, 0, -1, 0, 1},
                              {1, -1, 0, 0, 0, -1, 1, 1}};
  for (float range : {1.0f, 3.0f}) {
    light.Range = range;
    device_->SetLight(0, &light);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device_->BeginScene();
    device_->SetFVF(0x112);
    device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(MeshVertex));
    device_->EndScene();
    if (range < 2)
      EXPECT_TRUE(ColorNear(Pixel(32, 32), 0xFF000000, 0));
    else
      EXPECT_GT(Brightness(Pixel(32, 32)), 700);
  }
}

TEST_F(GLLightingTest, MaterialSourcesTakeVertexColoursOnlyWhenAsked) {
  // Ambient light only: the colour is the ambient source times the global ambient.
  SetCamera();
  device_->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  D3DMATERIAL9 material;
  material.Ambient = {0.0f, 0.0f, 1.0f, 1.0f};
  material.Diffuse = {0.0f, 0.0f, 0.0f, 1.0f};
  device_->SetMaterial(&material);
  const ColorVertex quad[4] = {{-1, 1, 0, 0xFFFF8000, 0, 0},
                               {1, 1, 0, 0xFFFF8000, 0, 0},
                               {-1, -1, 0, 0xFFFF8000, 0, 0},
                               {1, -1, 0, 0xFFFF8000, 0, 0}};
  struct Row {
    DWORD lighting, colorVertex, ambientSource;
    D3DCOLOR expected;
  } table[] = {
      {TRUE, TRUE, D3DMCS_MATERIAL, 0xFF0000FF},   // the default: the material's ambient
      {TRUE, TRUE, D3DMCS_COLOR1, 0xFFFF8000},     // the vertex's diffuse colour
      {TRUE, FALSE, D3DMCS_COLOR1, 0xFF0000FF},    // colour vertex off: the material again
      {TRUE, TRUE, D3DMCS_COLOR2, 0xFF0000FF},     // no specular colour in the vertex
      {FALSE, TRUE, D3DMCS_MATERIAL, 0xFFFF8000},  // unlit: the vertex colour as it is
  };
  for (const Row& row : table) {
    device_->SetRenderState(D3DRS_LIGHTING, row.lighting);
    device_->SetRenderState(D3DRS_COLORVERTEX, row.colorVertex);
    device_->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, row.ambientSource);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device_->BeginScene();
    device_->SetFVF(0x142);
    device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColorVertex));
    device_->EndScene();
    EXPECT_TRUE(ColorNear(Pixel(32, 32), row.expected, 1))
        << "lighting " << row.lighting << " colorvertex " << row.colorVertex << " source "
        << row.ambientSource;
  }
}

TEST_F(GLLightingTest, VertexColoursInterpolateAcrossPretransformedTriangles) {
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device_->BeginScene();
  const TLVertex v[4] = {{-0.5f, -0.5f, 0.5f, 1, 0xFFFF0000, 0, 0},
                         {63.5f, -0.5f, 0.5f, 1, 0xFFFF0000, 0, 0},
                         {-0.5f, 63.5f, 0.5f, 1, 0xFF0000FF, 0, 0},
                         {63.5f, 63.5f, 0.5f, 1, 0xFF0000FF, 0, 0}};
  device_->SetFVF(0x144);
  device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVertex));
  device_->EndScene();
  EXPECT_GT(Channel(Pixel(10, 1), 16), 240);
  EXPECT_GT(Channel(Pixel(10, 62), 0), 240);
  EXPECT_NEAR(Channel(Pixel(10, 32), 16), 125, 8);
  EXPECT_NEAR(Channel(Pixel(10, 32), 0), 130, 8);
}

TEST_F(GLLightingTest, ScaledWorldDimsUnlessNormalsAreRenormalised) {
  // A unit quad facing the camera, lit head-on by a directional light: full diffuse when its
  // normal has unit length. Scaled twice by the world matrix, the transformed normal is half
  // as long and the light half as bright, unless D3DRS_NORMALIZENORMALS is on.
  SetCamera();
  D3DLIGHT9 light;
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 1, 1, 1};
  light.Direction = {0, 0, 1};
  device_->SetLight(0, &light);
  device_->LightEnable(0, TRUE);
  D3DMATERIAL9 material;
  material.Diffuse = {1, 1, 1, 1};
  device_->SetMaterial(&material);
  const MeshVertex quad[4] = {{-0.5f, 0.5f, 0, 0, 0, -1, 0, 0},
                              {0.5f, 0.5f, 0, 0, 0, -1, 1, 0},
                              {-0.5f, -0.5f, 0, 0, 0, -1, 0, 1},
                              {0.5f, -0.5f, 0, 0, 0, -1, 1, 1}};
  D3DXMATRIX world;
  D3DXMatrixScaling(&world, 2, 2, 2);
  device_->SetTransform(D3DTS_WORLD, &world);
  for (DWORD normalize : {FALSE, TRUE}) {
    device_->SetRenderState(D3DRS_NORMALIZENORMALS, normalize);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device_->BeginScene();
    device_->SetFVF(0x112);
    device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(MeshVertex));
    device_->EndScene();
    EXPECT_TRUE(ColorNear(Pixel(32, 32), normalize ? 0xFFFFFFFF : 0xFF808080, 2))
        << "normalize " << normalize;
  }
}

}  // namespace
