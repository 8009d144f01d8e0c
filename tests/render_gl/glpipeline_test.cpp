// More of the fixed-function pipeline on pixels: attenuation, the default light, buffer
// discards as the text overlay uses them, base vertices, write masks, fill and sampler states.
#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

#include "gltestfixture.h"

namespace {

constexpr D3DCOLOR kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00;

class GLPipelineTest : public GLDeviceTest {
 protected:
  // A quad in the z = 0 plane facing the camera at (0, 0, -5), 2 units wide.
  void DrawFacingQuad() {
    const MeshVertex quad[4] = {{-1, 1, 0, 0, 0, -1, 0, 0},
                                {1, 1, 0, 0, 0, -1, 1, 0},
                                {-1, -1, 0, 0, 0, -1, 0, 1},
                                {1, -1, 0, 0, 0, -1, 1, 1}};
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    device_->BeginScene();
    device_->SetFVF(0x112);
    ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(MeshVertex)), D3D_OK);
    device_->EndScene();
  }
};

TEST_F(GLPipelineTest, PointLightAttenuation) {
  SetCamera();
  D3DMATERIAL9 material;
  material.Diffuse = {1, 1, 1, 1};
  device_->SetMaterial(&material);
  D3DLIGHT9 light;
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = {1, 1, 1, 1};
  light.Position = {0, 0, -3};  // 3 in front of the quad's centre, straight along its normal
  light.Range = 50;
  struct Row {
    float a0, a1, a2;
  } table[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {2, 0, 0}};
  // Lighting is per vertex: the corners are sqrt(11) from the light, at a cosine of 3/sqrt(11),
  // and the centre shows what they got.
  const float d = std::sqrt(11.0f), cosine = 3.0f / d;
  for (const Row& row : table) {
    const float expected = 255.0f * cosine / (row.a0 + row.a1 * d + row.a2 * d * d);
    light.Attenuation0 = row.a0, light.Attenuation1 = row.a1, light.Attenuation2 = row.a2;
    device_->SetLight(0, &light);
    device_->LightEnable(0, TRUE);
    DrawFacingQuad();
    EXPECT_NEAR(Channel(Pixel(32, 32), 16), expected, 2)
        << row.a0 << " " << row.a1 << " " << row.a2;
  }
}

TEST_F(GLPipelineTest, LightEnableWithoutSetLightGivesTheDefaultDirectionalLight) {
  SetCamera();
  D3DMATERIAL9 material;
  material.Diffuse = {0, 1, 0, 1};
  device_->SetMaterial(&material);
  // White, along +z: straight onto a quad that faces -z.
  ASSERT_EQ(device_->LightEnable(5, TRUE), D3D_OK);
  D3DLIGHT9 light;
  ASSERT_EQ(device_->GetLight(5, &light), D3D_OK);
  EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
  DrawFacingQuad();
  EXPECT_TRUE(ColorNear(Pixel(32, 32), kGreen, 1));
  device_->LightEnable(5, FALSE);
  DrawFacingQuad();
  EXPECT_TRUE(ColorNear(Pixel(32, 32), kBlack, 1));
  EXPECT_EQ(device_->GetLight(6, &light), D3DERR_INVALIDCALL);
}

TEST_F(GLPipelineTest, DiscardedBufferKeepsWhatWasAlreadyDrawn) {
  // The text overlay's pattern: fill a dynamic buffer, draw, lock it again with discard,
  // refill, draw; both draws show.
  Ref<IDirect3DVertexBuffer9> vb;
  ASSERT_EQ(device_->CreateVertexBuffer(9600, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0,
                                        D3DPOOL_DEFAULT, &vb, nullptr),
            D3D_OK);
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetFVF(0x144);
  device_->SetStreamSource(0, vb.Get(), 0, sizeof(TLVertex));
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
  device_->BeginScene();
  for (int i = 0; i < 2; ++i) {
    const float x = 4.0f + 30.0f * static_cast<float>(i);
    const D3DCOLOR c = i ? kGreen : kRed;
    const TLVertex quad[6] = {
        {x - 0.5f, 9.5f, 0.9f, 1, c, 0, 0}, {x - 0.5f, -0.5f, 0.9f, 1, c, 0, 0},
        {x + 9.5f, 9.5f, 0.9f, 1, c, 0, 0}, {x + 9.5f, -0.5f, 0.9f, 1, c, 0, 0},
        {x + 9.5f, 9.5f, 0.9f, 1, c, 0, 0}, {x - 0.5f, -0.5f, 0.9f, 1, c, 0, 0}};
    void* data = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK);
    std::memcpy(data, quad, sizeof quad);
    vb->Unlock();
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  }
  device_->EndScene();
  EXPECT_TRUE(ColorNear(Pixel(8, 5), kRed, 0));
  EXPECT_TRUE(ColorNear(Pixel(38, 5), kGreen, 0));
  // Culling is on (counter-clockwise): these quads are wound clockwise on screen, as the
  // overlay's glyph quads are.
  DWORD cull = 0;
  device_->GetRenderState(D3DRS_CULLMODE, &cull);
  EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_CCW));
}

TEST_F(GLPipelineTest, IndexedDrawHonoursBaseVertexAndStartIndex) {
  std::vector<TLVertex> vertices;
  for (int q = 0; q < 3; ++q) {
    const float x = 2.0f + 20.0f * static_cast<float>(q);
    const D3DCOLOR c = q == 0 ? kRed : q == 1 ? kGreen : 0xFF0000FF;
    vertices.push_back({x - 0.5f, -0.5f, 0.5f, 1, c, 0, 0});
    vertices.push_back({x + 9.5f, -0.5f, 0.5f, 1, c, 0, 0});
    vertices.push_back({x - 0.5f, 9.5f, 0.5f, 1, c, 0, 0});
    vertices.push_back({x + 9.5f, 9.5f, 0.5f, 1, c, 0, 0});
  }
  Ref<IDirect3DVertexBuffer9> vb;
  device_->CreateVertexBuffer(static_cast<UINT>(vertices.size() * sizeof(TLVertex)), 0, 0,
                              D3DPOOL_MANAGED, &vb, nullptr);
  void* data = nullptr;
  vb->Lock(0, 0, &data, 0);
  std::memcpy(data, vertices.data(), vertices.size() * sizeof(TLVertex));
  vb->Unlock();
  const WORD indices[12] = {9, 9, 9, 9, 9, 9, 0, 1, 2, 1, 3, 2};  // the first six are never drawn
  Ref<IDirect3DIndexBuffer9> ib;
  device_->CreateIndexBuffer(sizeof indices, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr);
  ib->Lock(0, 0, &data, 0);
  std::memcpy(data, indices, sizeof indices);
  ib->Unlock();
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetFVF(0x144);
  device_->SetStreamSource(0, vb.Get(), 0, sizeof(TLVertex));
  device_->SetIndices(ib.Get());
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
  device_->BeginScene();
  // Base vertex 4 draws the second quad; index 9 + 4 would be outside, but it is not drawn.
  ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 6, 2), D3D_OK);
  device_->EndScene();
  EXPECT_TRUE(ColorNear(Pixel(5, 5), kBlack, 0));
  EXPECT_TRUE(ColorNear(Pixel(25, 5), kGreen, 0));
  EXPECT_TRUE(ColorNear(Pixel(45, 5), kBlack, 0));
}

// Every lit pixel of the frame, as (x, y, colour).
std::vector<std::tuple<int, int, D3DCOLOR>> LitPixels(const QImage& frame) {
  std::vector<std::tuple<int, int, D3DCOLOR>> lit;
  for (int y = 0; y < frame.height(); ++y)
    for (int x = 0; x < frame.width(); ++x)
      if ((frame.pixel(x, y) & 0xFFFFFF) != 0)
        lit.emplace_back(x, y, frame.pixel(x, y) | 0xFF000000);
  return lit;
}

TEST_F(GLPipelineTest, PointListsDrawOnePixelAtEachPixelCentre) {
  // Pre-transformed points on integer coordinates: each lights exactly its own pixel, from
  // memory, from a vertex buffer and through an index buffer.
  const TLVertex points[3] = {{3, 4, 0.5f, 1, kRed, 0, 0},
                              {10, 20, 0.5f, 1, kGreen, 0, 0},
                              {63, 63, 0.5f, 1, 0xFF0000FF, 0, 0}};
  using Lit = std::vector<std::tuple<int, int, D3DCOLOR>>;
  const Lit expected = {{3, 4, kRed}, {10, 20, kGreen}, {63, 63, 0xFF0000FF}};
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetFVF(0x144);

  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
  device_->BeginScene();
  ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_POINTLIST, 3, points, sizeof(TLVertex)), D3D_OK);
  device_->EndScene();
  EXPECT_EQ(LitPixels(Grab()), expected);

  Ref<IDirect3DVertexBuffer9> vb;
  ASSERT_EQ(device_->CreateVertexBuffer(sizeof points, 0, 0, D3DPOOL_MANAGED, &vb, nullptr),
            D3D_OK);
  void* data = nullptr;
  vb->Lock(0, 0, &data, 0);
  std::memcpy(data, points, sizeof points);
  vb->Unlock();
  device_->SetStreamSource(0, vb.Get(), 0, sizeof(TLVertex));
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
  device_->BeginScene();
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_POINTLIST, 1, 2), D3D_OK);
  device_->EndScene();
  EXPECT_EQ(LitPixels(Grab()), Lit(expected.begin() + 1, expected.end()));

  const WORD indices[2] = {2, 0};
  Ref<IDirect3DIndexBuffer9> ib;
  device_->CreateIndexBuffer(sizeof indices, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr);
  ib->Lock(0, 0, &data, 0);
  std::memcpy(data, indices, sizeof indices);
  ib->Unlock();
  device_->SetIndices(ib.Get());
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
  device_->BeginScene();
  ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_POINTLIST, 0, 0, 3, 0, 2), D3D_OK);
  device_->EndScene();
  EXPECT_EQ(LitPixels(Grab()), (Lit{expected[0], expected[2]}));
}

TEST_F(GLPipelineTest, TransformedPointLandsOnTheViewportPixelCentre) {
  // With identity transforms the viewport maps x = -1 + 2 X / 64 to screen X, which on
  // Direct3D is the centre of column X (no half pixel to add, unlike GL).
  auto ndcX = [](float px) { return -1.0f + 2.0f * px / 64.0f; };
  auto ndcY = [](float py) { return 1.0f - 2.0f * py / 64.0f; };
  const ColorVertex points[2] = {{ndcX(10), ndcY(20), 0.5f, kGreen, 0, 0},
                                 {ndcX(0), ndcY(63), 0.5f, kRed, 0, 0}};
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetFVF(0x142);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
  device_->BeginScene();
  ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_POINTLIST, 2, points, sizeof(ColorVertex)), D3D_OK);
  device_->EndScene();
  using Lit = std::vector<std::tuple<int, int, D3DCOLOR>>;
  EXPECT_EQ(LitPixels(Grab()), (Lit{{10, 20, kGreen}, {0, 63, kRed}}));
}

TEST_F(GLPipelineTest, ColourWriteMaskAndWireframe) {
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_GREEN);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kRed, 1.0f,
                 0);  // Clear ignores the mask
  device_->BeginScene();
  DrawQuad(0, 0, 20, 20, 0xFF0000FF + 0x00008000);
  device_->EndScene();
  EXPECT_TRUE(ColorNear(Pixel(10, 10), 0xFFFF8000, 0));
  EXPECT_TRUE(ColorNear(Pixel(30, 30), kRed, 0));

  device_->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
  device_->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
  device_->BeginScene();
  DrawQuad(10, 10, 50, 50, kGreen);
  device_->EndScene();
  EXPECT_TRUE(ColorNear(Pixel(30, 30), kBlack, 0));  // the inside stays empty
  int edge = 0;
  for (int x = 8; x < 52; ++x) edge += Pixel(x, 10) == kGreen || Pixel(x, 9) == kGreen;
  EXPECT_GT(edge, 30);
}

TEST_F(GLPipelineTest, SamplerAddressingAndFiltering) {
  Ref<IDirect3DTexture9> texture = MakeTexture(2, 1, {0xFFFF0000, 0xFF0000FF});
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetTexture(0, texture.Get());
  auto draw = [&] {
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    device_->BeginScene();
    DrawQuad(0, 0, 40, 4, 0xFFFFFFFF, 0.5f, 0, 0, 2, 1);  // u from 0 to 2: the texture twice
    device_->EndScene();
  };
  draw();  // wrap (the default): red, blue, red, blue
  EXPECT_TRUE(ColorNear(Pixel(25, 2), kRed, 0));
  device_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  draw();  // clamp: red, then blue to the end
  EXPECT_TRUE(ColorNear(Pixel(25, 2), 0xFF0000FF, 0));
  device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  draw();  // linear: a blend around the texel boundary
  const D3DCOLOR mid = Pixel(10, 2);
  EXPECT_GT(Channel(mid, 16), 60);
  EXPECT_GT(Channel(mid, 0), 60);
}

TEST_F(GLPipelineTest, PixelStateBlockLeavesVertexStatesAlone) {
  Ref<IDirect3DStateBlock9> pixel;
  ASSERT_EQ(device_->CreateStateBlock(D3DSBT_PIXELSTATE, &pixel), D3D_OK);
  device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);  // a pixel state
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);         // a vertex state
  pixel->Apply();
  DWORD v = 0;
  device_->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
  EXPECT_EQ(v, static_cast<DWORD>(FALSE));
  device_->GetRenderState(D3DRS_LIGHTING, &v);
  EXPECT_EQ(v, static_cast<DWORD>(FALSE));
}

TEST_F(GLPipelineTest, FontCentresAndClips) {
  D3DXFONT_DESCA desc;
  desc.Height = -12;
  std::strcpy(desc.FaceName, "DejaVu Sans");
  Ref<ID3DXFont> font;
  ASSERT_EQ(D3DXCreateFontIndirectA(device_.Get(), &desc, &font), D3D_OK);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
  device_->BeginScene();
  RECT rect{0, 0, 64, 64};
  font->DrawTextA("II", -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0xFFFFFFFF);
  RECT clipped{0, 0, 64, 4};
  font->DrawTextA("MMMMMMMM", -1, &clipped, DT_LEFT, 0xFFFF0000);
  device_->EndScene();
  const QImage image = Grab();
  int minX = 64, maxX = -1, minY = 64, maxY = -1, red = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const D3DCOLOR c = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y))[x];
      if (Channel(c, 8) > 100)
        minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y),
        maxY = std::max(maxY, y);
      if (Channel(c, 16) > 100 && Channel(c, 8) < 50) {
        ++red;
        EXPECT_LT(y, 4);
      }
    }
  ASSERT_GE(maxX, 0);
  EXPECT_NEAR((minX + maxX) / 2.0, 31.5, 2.5);
  EXPECT_NEAR((minY + maxY) / 2.0, 31.5, 4.0);
  EXPECT_GT(red, 0);
}

}  // namespace
