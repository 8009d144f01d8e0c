// The GL device's life, enumeration answers and the geometry traps, checked on real pixels.
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <cstring>
#include <numbers>

#include "gltestfixture.h"
#include "platform/render/D3D9Defaults.h"
#include "platform/render/gl/GLBackend.h"

namespace {

constexpr D3DCOLOR kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

TEST_F(GLDeviceTest, EnumerationReportsTheScreenAndTheSoftwareRasterizer) {
  ASSERT_GE(d3d_->GetAdapterCount(), 1u);
  D3DDISPLAYMODE mode;
  ASSERT_EQ(d3d_->GetAdapterDisplayMode(0, &mode), D3D_OK);
  const QSize screen = QGuiApplication::primaryScreen()->size();
  EXPECT_EQ(mode.Width, static_cast<UINT>(screen.width()));
  EXPECT_EQ(mode.Height, static_cast<UINT>(screen.height()));
  EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(d3d_->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 1u);
  EXPECT_EQ(d3d_->GetAdapterModeCount(0, D3DFMT_R5G6B5), 0u);

  D3DADAPTER_IDENTIFIER9 id;
  ASSERT_EQ(d3d_->GetAdapterIdentifier(0, 0, &id), D3D_OK);
  const bool software =
      std::strstr(id.Description, "llvmpipe") || std::strstr(id.Description, "softpipe");
  D3DCAPS9 caps;
  // Under Xvfb the driver is llvmpipe: the device calls itself REF and HAL is unavailable.
  EXPECT_EQ(d3d_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps) == D3D_OK, !software) << id.Description;
  const D3DDEVTYPE type = software ? D3DDEVTYPE_REF : D3DDEVTYPE_HAL;
  ASSERT_EQ(d3d_->GetDeviceCaps(0, type, &caps), D3D_OK);
  EXPECT_EQ(caps.DeviceType, type);
  EXPECT_EQ(caps.MaxActiveLights, 8u);
  EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
  EXPECT_GE(caps.MaxTextureWidth, 2048u);
  EXPECT_EQ(d3d_->GetDeviceCaps(0, D3DDEVTYPE_SW, &caps), D3DERR_NOTAVAILABLE);

  EXPECT_EQ(d3d_->CheckDeviceType(0, type, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, TRUE), D3D_OK);
  EXPECT_EQ(d3d_->CheckDeviceType(0, type, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE), D3D_OK);
  EXPECT_EQ(d3d_->CheckDeviceType(0, type, D3DFMT_R5G6B5, D3DFMT_R5G6B5, FALSE),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(d3d_->CheckDeviceFormat(0, type, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                    D3DRTYPE_SURFACE, D3DFMT_D16),
            D3D_OK);
  EXPECT_EQ(d3d_->CheckDeviceFormat(0, type, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                    D3DRTYPE_SURFACE, D3DFMT_D15S1),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(d3d_->CheckDepthStencilMatch(0, type, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_D24S8),
            D3D_OK);
  EXPECT_EQ(d3d_->CheckDeviceFormat(0, type, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_A4R4G4B4),
            D3D_OK);
  DWORD quality = 0;
  EXPECT_EQ(d3d_->CheckDeviceMultiSampleType(0, type, D3DFMT_A8R8G8B8, TRUE, D3DMULTISAMPLE_NONE,
                                             &quality),
            D3D_OK);
  EXPECT_EQ(quality, 1u);
}

TEST_F(GLDeviceTest, ClearFillsTheViewportOrTheGivenRectangles) {
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kRed, 1.0f, 0), D3D_OK);
  EXPECT_TRUE(ColorNear(Pixel(0, 0), kRed, 0));
  EXPECT_TRUE(ColorNear(Pixel(63, 63), kRed, 0));
  D3DVIEWPORT9 vp{16, 8, 32, 16, 0.0f, 1.0f};
  ASSERT_EQ(device_->SetViewport(&vp), D3D_OK);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, kGreen, 1.0f, 0);
  const D3DRECT rect{0, 0, 20, 10};
  device_->Clear(1, &rect, D3DCLEAR_TARGET, kBlue, 1.0f, 0);
  struct {
    int x, y;
    D3DCOLOR expected;
  } table[] = {{15, 8, kRed},    {16, 8, kBlue},   {19, 9, kBlue}, {20, 9, kGreen},
               {16, 10, kGreen}, {47, 23, kGreen}, {48, 23, kRed}, {47, 24, kRed}};
  const QImage image = Grab();
  for (const auto& row : table) {
    const D3DCOLOR got = reinterpret_cast<const std::uint32_t*>(image.constScanLine(row.y))[row.x];
    EXPECT_TRUE(ColorNear(got, row.expected, 0)) << "pixel " << row.x << "," << row.y;
  }
  // A viewport outside the back buffer is refused.
  D3DVIEWPORT9 bad{40, 0, 32, 16, 0.0f, 1.0f};
  EXPECT_EQ(device_->SetViewport(&bad), D3DERR_INVALIDCALL);
}

TEST_F(GLDeviceTest, PretransformedQuadLandsOnExactPixels) {
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  DrawQuad(10, 20, 30, 25, kGreen);
  device_->EndScene();
  const QImage image = Grab();
  for (int y = 18; y < 27; ++y)
    for (int x = 8; x < 32; ++x) {
      const bool inside = x >= 10 && x < 30 && y >= 20 && y < 25;
      const D3DCOLOR got = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y))[x];
      ASSERT_TRUE(ColorNear(got, inside ? kGreen : kBlack, 0)) << "pixel " << x << "," << y;
    }
}

TEST_F(GLDeviceTest, TransformedGeometryFollowsD3DPixelCentres) {
  // With identity transforms a quad from clip -1 to 0 covers exactly the left half, top to
  // bottom: the half-pixel offset puts D3D's pixel centres on GL's.
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
  device_->BeginScene();
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  // x from -1 - 1/64 (the left edge of pixel 0 in D3D terms) to 0 - 1/64.
  const float e = 1.0f / 64.0f;
  const ColorVertex v[4] = {{-1 - e, 1 + e, 0.5f, kRed, 0, 0},
                            {0 - e, 1 + e, 0.5f, kRed, 0, 0},
                            {-1 - e, -1 + e, 0.5f, kRed, 0, 0},
                            {0 - e, -1 + e, 0.5f, kRed, 0, 0}};
  device_->SetFVF(0x142);
  ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ColorVertex)), D3D_OK);
  device_->EndScene();
  EXPECT_TRUE(ColorNear(Pixel(0, 0), kRed, 0));
  EXPECT_TRUE(ColorNear(Pixel(31, 63), kRed, 0));
  EXPECT_TRUE(ColorNear(Pixel(32, 0), kBlack, 0));
  EXPECT_TRUE(ColorNear(Pixel(32, 63), kBlack, 0));
}

TEST_F(GLDeviceTest, DepthTestKeepsTheNearerQuadUnlessDisabled) {
  struct Row {
    DWORD zenable;
    DWORD zfunc;
    D3DCOLOR expected;
  } table[] = {{D3DZB_TRUE, D3DCMP_LESSEQUAL, kRed},
               {D3DZB_FALSE, D3DCMP_LESSEQUAL, kBlue},
               {D3DZB_TRUE, D3DCMP_GREATER, kBlue}};
  for (const Row& row : table) {
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack,
                   row.zfunc == D3DCMP_GREATER ? 0.0f : 1.0f, 0);
    device_->BeginScene();
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    device_->SetRenderState(D3DRS_ZENABLE, row.zenable);
    device_->SetRenderState(D3DRS_ZFUNC, row.zfunc);
    DrawQuad(0, 0, 40, 40, kRed, 0.3f);
    DrawQuad(20, 20, 60, 60, kBlue, 0.7f);
    device_->EndScene();
    EXPECT_TRUE(ColorNear(Pixel(30, 30), row.expected, 0))
        << "zenable " << row.zenable << " zfunc " << row.zfunc;
    EXPECT_TRUE(ColorNear(Pixel(50, 50), kBlue, 0));
  }
  // Depth writes off: the far quad drawn first is not protected by what the near one wrote.
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
  device_->BeginScene();
  device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device_->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  device_->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  DrawQuad(0, 0, 40, 40, kRed, 0.3f);
  DrawQuad(20, 20, 60, 60, kBlue, 0.7f);
  device_->EndScene();
  EXPECT_TRUE(ColorNear(Pixel(30, 30), kBlue, 0));
}

TEST_F(GLDeviceTest, PretransformedDepthIgnoresTheViewportDepthRange) {
  // Pre-transformed z is the final depth: a viewport from 0.5 to 1 must not move it.
  D3DVIEWPORT9 vp{0, 0, 64, 64, 0.5f, 1.0f};
  device_->SetViewport(&vp);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 0.4f, 0);
  device_->BeginScene();
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  DrawQuad(0, 0, 16, 16, kRed, 0.3f);
  DrawQuad(16, 0, 32, 16, kBlue, 0.5f);
  device_->EndScene();
  EXPECT_TRUE(ColorNear(Pixel(8, 8), kRed, 0));
  EXPECT_TRUE(ColorNear(Pixel(24, 8), kBlack, 0));
}

TEST_F(GLDeviceTest, CullingHidesCounterClockwiseTrianglesByDefault) {
  // One triangle per half of the screen: the left one clockwise on screen, the right one
  // counter-clockwise, both through a real camera (transformed) and as pixels.
  SetCamera();
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  struct Row {
    DWORD cull;
    bool leftVisible, rightVisible;
  } table[] = {{D3DCULL_CCW, true, false}, {D3DCULL_CW, false, true}, {D3DCULL_NONE, true, true}};
  for (const Row& row : table) {
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
    device_->BeginScene();
    device_->SetRenderState(D3DRS_CULLMODE, row.cull);
    // Transformed, in the z = 0 plane seen from -z: x right, y up.
    const ColorVertex cw[3] = {
        {-1.8f, -1, 0, kRed, 0, 0}, {-1.8f, 1, 0, kRed, 0, 0}, {-0.2f, -1, 0, kRed, 0, 0}};
    const ColorVertex ccw[3] = {
        {0.2f, -1, 0, kRed, 0, 0}, {1.8f, -1, 0, kRed, 0, 0}, {0.2f, 1, 0, kRed, 0, 0}};
    device_->SetFVF(0x142);
    device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, cw, sizeof(ColorVertex));
    device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, ccw, sizeof(ColorVertex));
    // Pixels, y down: clockwise on screen is (top-left, top-right, bottom-left).
    const TLVertex pcw[3] = {{2, 2, 0.5f, 1, kGreen, 0, 0},
                             {30, 2, 0.5f, 1, kGreen, 0, 0},
                             {2, 12, 0.5f, 1, kGreen, 0, 0}};
    const TLVertex pccw[3] = {{34, 2, 0.5f, 1, kGreen, 0, 0},
                              {34, 12, 0.5f, 1, kGreen, 0, 0},
                              {62, 2, 0.5f, 1, kGreen, 0, 0}};
    device_->SetFVF(0x144);
    device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, pcw, sizeof(TLVertex));
    device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, pccw, sizeof(TLVertex));
    device_->EndScene();
    const QImage image = Grab();
    auto at = [&](int x, int y) {
      return reinterpret_cast<const std::uint32_t*>(image.constScanLine(y))[x];
    };
    EXPECT_EQ(at(20, 40) == kRed, row.leftVisible) << "cull " << row.cull;
    EXPECT_EQ(at(44, 40) == kRed, row.rightVisible) << "cull " << row.cull;
    EXPECT_EQ(at(5, 4) == kGreen, row.leftVisible) << "cull " << row.cull;
    EXPECT_EQ(at(37, 4) == kGreen, row.rightVisible) << "cull " << row.cull;
  }
}

TEST_F(GLDeviceTest, StateBlockRestoresWhatItCaptured) {
  Ref<IDirect3DTexture9> texture = MakeTexture(1, 1, {0xFFFFFFFF});
  // Recorded as the text overlay records its blocks: only the states set in between.
  ASSERT_EQ(device_->BeginStateBlock(), D3D_OK);
  EXPECT_EQ(device_->BeginStateBlock(), D3DERR_INVALIDCALL);
  device_->SetTexture(0, texture.Get());
  device_->SetRenderState(D3DRS_ZENABLE, FALSE);
  device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device_->SetRenderState(D3DRS_ALPHAREF, 8);
  device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  Ref<IDirect3DStateBlock9> saved;
  ASSERT_EQ(device_->EndStateBlock(&saved), D3D_OK);

  // The caller's states, captured into the block, then changed, then applied back.
  device_->SetTexture(0, nullptr);
  device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device_->SetRenderState(D3DRS_ALPHAREF, 100);
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  ASSERT_EQ(saved->Capture(), D3D_OK);
  device_->SetTexture(0, texture.Get());
  device_->SetRenderState(D3DRS_ZENABLE, FALSE);
  device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device_->SetRenderState(D3DRS_ALPHAREF, 8);
  device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE2X);
  device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  ASSERT_EQ(saved->Apply(), D3D_OK);

  DWORD v = 0;
  device_->GetRenderState(D3DRS_ZENABLE, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DZB_TRUE));
  device_->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
  EXPECT_EQ(v, static_cast<DWORD>(FALSE));
  device_->GetRenderState(D3DRS_ALPHAREF, &v);
  EXPECT_EQ(v, 100u);
  device_->GetTextureStageState(0, D3DTSS_COLOROP, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_SELECTARG2));
  device_->GetSamplerState(0, D3DSAMP_MINFILTER, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_LINEAR));
  Ref<IDirect3DBaseTexture9> bound;
  device_->GetTexture(0, &bound);
  EXPECT_FALSE(bound);
  // A state the block never held stays as it is.
  device_->GetRenderState(D3DRS_LIGHTING, &v);
  EXPECT_EQ(v, static_cast<DWORD>(FALSE));

  // The restored states draw: a modulated quad now selects the diffuse colour alone.
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
  device_->BeginScene();
  DrawQuad(0, 0, 8, 8, 0xFF204060);
  device_->EndScene();
  EXPECT_TRUE(ColorNear(Pixel(4, 4), 0xFF204060, 1));
}

TEST_F(GLDeviceTest, StatesSetWhileRecordingOnlyGoIntoTheBlock) {
  device_->SetRenderState(D3DRS_ALPHAREF, 3);
  ASSERT_EQ(device_->BeginStateBlock(), D3D_OK);
  device_->SetRenderState(D3DRS_ALPHAREF, 8);
  device_->SetTexture(0, MakeTexture(1, 1, {0xFFFFFFFF}).Get());
  device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  Ref<IDirect3DStateBlock9> block;
  ASSERT_EQ(device_->EndStateBlock(&block), D3D_OK);

  DWORD v = 0;
  device_->GetRenderState(D3DRS_ALPHAREF, &v);
  EXPECT_EQ(v, 3u);
  device_->GetTextureStageState(0, D3DTSS_COLOROP, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_MODULATE));
  Ref<IDirect3DBaseTexture9> bound;
  device_->GetTexture(0, &bound);
  EXPECT_FALSE(bound);
  ASSERT_EQ(block->Apply(), D3D_OK);
  device_->GetRenderState(D3DRS_ALPHAREF, &v);
  EXPECT_EQ(v, 8u);
  device_->GetTexture(0, &bound);
  EXPECT_TRUE(bound);
}

TEST_F(GLDeviceTest, CreatedStateBlockHoldsEveryState) {
  D3DMATRIX world = D3DIdentityMatrix();
  world._41 = 3;
  Ref<IDirect3DStateBlock9> all;
  device_->SetTransform(D3DTS_WORLD, &world);
  ASSERT_EQ(device_->CreateStateBlock(D3DSBT_ALL, &all), D3D_OK);
  world._41 = 7;
  device_->SetTransform(D3DTS_WORLD, &world);
  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  all->Apply();
  D3DMATRIX got;
  device_->GetTransform(D3DTS_WORLD, &got);
  EXPECT_EQ(got._41, 3.0f);
  DWORD cull = 0;
  device_->GetRenderState(D3DRS_CULLMODE, &cull);
  EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_CCW));
}

TEST_F(GLDeviceTest, ResetWaitsForDefaultPoolObjectsAndRestoresDefaults) {
  Ref<IDirect3DVertexBuffer9> dynamicBuffer;
  ASSERT_EQ(device_->CreateVertexBuffer(9600, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0,
                                        D3DPOOL_DEFAULT, &dynamicBuffer, nullptr),
            D3D_OK);
  Ref<IDirect3DVertexBuffer9> managed;
  ASSERT_EQ(device_->CreateVertexBuffer(320, 0, 0, D3DPOOL_MANAGED, &managed, nullptr), D3D_OK);
  Ref<IDirect3DStateBlock9> block;
  device_->CreateStateBlock(D3DSBT_ALL, &block);
  device_->SetStreamSource(0, dynamicBuffer.Get(), 0, 28);
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);

  D3DPRESENT_PARAMETERS pp = pp_;
  EXPECT_EQ(device_->Reset(&pp), D3DERR_INVALIDCALL);
  dynamicBuffer = nullptr;
  EXPECT_EQ(device_->Reset(&pp), D3DERR_INVALIDCALL);  // the state block still lives
  block = nullptr;
  // The device's own binding of the buffer does not count against the reset.
  ASSERT_EQ(device_->Reset(&pp), D3D_OK);
  DWORD lighting = 0;
  device_->GetRenderState(D3DRS_LIGHTING, &lighting);
  EXPECT_EQ(lighting, static_cast<DWORD>(TRUE));
  // Managed resources survive.
  void* data = nullptr;
  EXPECT_EQ(managed->Lock(0, 0, &data, 0), D3D_OK);
  managed->Unlock();
  // A new size takes effect.
  pp.BackBufferWidth = 32;
  pp.BackBufferHeight = 16;
  ASSERT_EQ(device_->Reset(&pp), D3D_OK);
  Ref<IDirect3DSurface9> back;
  ASSERT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  D3DSURFACE_DESC desc;
  back->GetDesc(&desc);
  EXPECT_EQ(desc.Width, 32u);
  EXPECT_EQ(desc.Height, 16u);
  D3DVIEWPORT9 vp;
  device_->GetViewport(&vp);
  EXPECT_EQ(vp.Width, 32u);
  EXPECT_EQ(device_->Reset(&pp), D3DERR_INVALIDCALL);  // the back buffer surface is held
  back = nullptr;
  EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
  EXPECT_EQ(device_->Present(nullptr, nullptr, 0, nullptr), D3D_OK);
}

TEST_F(GLDeviceTest, LostDeviceReportsUntilReset) {
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, kGreen, 1.0f, 0);
  GLLoseDevice(device_.Get());
  EXPECT_EQ(device_->Present(nullptr, nullptr, 0, nullptr), D3DERR_DEVICELOST);
  EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  // Drawing is accepted and does nothing.
  EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, kRed, 1.0f, 0), D3D_OK);
  device_->BeginScene();
  device_->EndScene();
  D3DPRESENT_PARAMETERS pp = pp_;
  ASSERT_EQ(device_->Reset(&pp), D3D_OK);
  EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, kBlue, 1.0f, 0);
  EXPECT_TRUE(ColorNear(Pixel(5, 5), kBlue, 0));
  EXPECT_EQ(device_->Present(nullptr, nullptr, 0, nullptr), D3D_OK);
  // A window that goes away takes the device with it for good.
  window_.reset();
  EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(device_->Present(nullptr, nullptr, 0, nullptr), D3DERR_DEVICELOST);
}

TEST_F(GLDeviceTest, DrawsAreCheckedAgainstBufferBounds) {
  Ref<IDirect3DVertexBuffer9> vb;
  device_->CreateVertexBuffer(3 * sizeof(TLVertex), 0, 0x144, D3DPOOL_MANAGED, &vb, nullptr);
  Ref<IDirect3DIndexBuffer9> ib;
  device_->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr);
  void* data = nullptr;
  ASSERT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
  const WORD indices[3] = {0, 1, 7};
  std::memcpy(data, indices, sizeof indices);
  ib->Unlock();
  device_->SetFVF(0x144);
  device_->SetStreamSource(0, vb.Get(), 0, sizeof(TLVertex));
  device_->SetIndices(ib.Get());
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1),
            D3DERR_INVALIDCALL);  // outside a scene
  device_->BeginScene();
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 2), D3DERR_INVALIDCALL);
  device_->EndScene();
  EXPECT_EQ(device_->EndScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Lock(0, 1000, &data, 0), D3DERR_INVALIDCALL);
}

TEST_F(GLDeviceTest, SameStatesReuseTheCompiledProgram) {
  device_->BeginScene();
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  DrawQuad(0, 0, 4, 4, kRed);
  const UINT after = GLCompiledPrograms(device_.Get());
  for (int i = 0; i < 20; ++i) DrawQuad(0, 0, 4, 4, 0xFF000000u | static_cast<DWORD>(i));
  EXPECT_EQ(GLCompiledPrograms(device_.Get()), after);
  device_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  DrawQuad(0, 0, 4, 4, kRed);
  EXPECT_EQ(GLCompiledPrograms(device_.Get()), after + 1);
  device_->EndScene();
}

TEST_F(GLDeviceTest, RasterWindowGetsAGLChildThatPresents) {
  CreateDevice(D3DFMT_D16, QSurface::RasterSurface);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kGreen, 1.0f, 0);
  EXPECT_EQ(device_->Present(nullptr, nullptr, 0, nullptr), D3D_OK);
  EXPECT_TRUE(ColorNear(Pixel(10, 10), kGreen, 0));
  EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

TEST_F(GLDeviceTest, PresentShowsTheBackBufferUprightInTheWindow) {
  for (QSurface::SurfaceType surface : {QSurface::OpenGLSurface, QSurface::RasterSurface}) {
    CreateDevice(D3DFMT_D24S8, surface);
    const D3DRECT top{0, 0, 64, 16}, left{0, 16, 16, 64};
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, kBlue, 1.0f, 0);
    device_->Clear(1, &top, D3DCLEAR_TARGET, kRed, 1.0f, 0);
    device_->Clear(1, &left, D3DCLEAR_TARGET, kGreen, 1.0f, 0);
    // What the X server shows in the window, not what the backend believes it drew. A GL
    // child window shows frames once the server has exposed it, so present as a frame loop
    // would until it has.
    QImage shown;
    auto presented = [&] {
      EXPECT_EQ(device_->Present(nullptr, nullptr, 0, nullptr), D3D_OK);
      shown = QGuiApplication::primaryScreen()
                  ->grabWindow(window_->winId())
                  .toImage()
                  .convertToFormat(QImage::Format_ARGB32);
      return shown.width() == 64 &&
             (reinterpret_cast<const std::uint32_t*>(shown.constScanLine(4))[40] & 0xFFFFFF) != 0;
    };
    EXPECT_TRUE(QTest::qWaitFor(presented, 5000)) << "surface " << surface;
    ASSERT_EQ(shown.width(), 64);
    auto at = [&](int x, int y) {
      return reinterpret_cast<const std::uint32_t*>(shown.constScanLine(y))[x] | 0xFF000000u;
    };
    EXPECT_TRUE(ColorNear(at(40, 4), kRed, 0)) << "surface " << surface;
    EXPECT_TRUE(ColorNear(at(4, 40), kGreen, 0)) << "surface " << surface;
    EXPECT_TRUE(ColorNear(at(40, 40), kBlue, 0)) << "surface " << surface;
  }
}

TEST_F(GLDeviceTest, MultisampledBackBufferResolvesForReading) {
  DWORD levels = 0;
  D3DCAPS9 caps;
  device_->GetDeviceCaps(&caps);
  if (FAILED(d3d_->CheckDeviceMultiSampleType(0, caps.DeviceType, D3DFMT_A8R8G8B8, TRUE,
                                              D3DMULTISAMPLE_4_SAMPLES, &levels)))
    GTEST_SKIP() << "the driver offers no 4-sample buffers";
  D3DPRESENT_PARAMETERS pp = pp_;
  pp.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
  ASSERT_EQ(device_->Reset(&pp), D3D_OK);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
  device_->BeginScene();
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  DrawQuad(8, 8, 24, 24, kRed);
  device_->EndScene();
  EXPECT_TRUE(ColorNear(Pixel(16, 16), kRed, 0));
  EXPECT_TRUE(ColorNear(Pixel(30, 30), kBlack, 0));
  EXPECT_EQ(device_->Present(nullptr, nullptr, 0, nullptr), D3D_OK);
}

}  // namespace
