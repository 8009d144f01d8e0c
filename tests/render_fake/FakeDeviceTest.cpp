#include <gtest/gtest.h>

#include <cstring>

#include "platform/render/d3dx9.h"
#include "render_fake/FakeDeviceFixture.h"

namespace {

using FakeDevice = FakeDeviceFixture;

TEST_F(FakeDevice, StartsInDirect3DsDefaultState) {
  DWORD value = 0;
  EXPECT_EQ(Device->GetRenderState(D3DRS_LIGHTING, &value), S_OK);
  EXPECT_EQ(value, TRUE);
  Device->GetRenderState(D3DRS_CULLMODE, &value);
  EXPECT_EQ(value, D3DCULL_CCW);
  Device->GetRenderState(D3DRS_ZENABLE, &value);
  EXPECT_EQ(value, D3DZB_TRUE);  // the device has an automatic depth buffer
  Device->GetTextureStageState(0, D3DTSS_COLOROP, &value);
  EXPECT_EQ(value, D3DTOP_MODULATE);
  Device->GetTextureStageState(1, D3DTSS_COLOROP, &value);
  EXPECT_EQ(value, D3DTOP_DISABLE);
  D3DVIEWPORT9 viewport;
  Device->GetViewport(&viewport);
  EXPECT_EQ(viewport, (D3DVIEWPORT9{0, 0, 320, 240, 0.0f, 1.0f}));
  EXPECT_EQ(Fake->BehaviorFlags(), D3DCREATE_HARDWARE_VERTEXPROCESSING);
}

TEST_F(FakeDevice, KeepsAndLogsStates) {
  EXPECT_EQ(Device->SetRenderState(D3DRS_LIGHTING, FALSE), S_OK);
  EXPECT_EQ(Device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE2X), S_OK);
  EXPECT_EQ(Device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT), S_OK);
  D3DXMATRIX world;
  D3DXMatrixTranslation(&world, 1, 2, 3);
  EXPECT_EQ(Device->SetTransform(D3DTS_WORLD, &world), S_OK);
  EXPECT_EQ(Device->LightEnable(3, TRUE), S_OK);
  EXPECT_EQ(Log().Text(),
            "SetRenderState(D3DRS_LIGHTING, 0)\n"
            "SetTextureStageState(0, D3DTSS_COLOROP, 5)\n"
            "SetSamplerState(0, D3DSAMP_MINFILTER, 1)\n"
            "SetTransform(D3DTS_WORLD, [1 0 0 0 0 1 0 0 0 0 1 0 1 2 3 1])\n"
            "LightEnable(3, TRUE)\n");
  EXPECT_EQ(Fake->State().RenderStates[D3DRS_LIGHTING], FALSE);
  EXPECT_EQ(Fake->State().Transform(D3DTS_WORLD)._42, 2.0f);
  // Enabling a light never set creates the default white directional light.
  D3DLIGHT9 light;
  ASSERT_EQ(Device->GetLight(3, &light), S_OK);
  EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
  EXPECT_EQ(light.Diffuse, (D3DCOLORVALUE{1, 1, 1, 0}));
  EXPECT_EQ(light.Direction, (D3DVECTOR{0, 0, 1}));
  // The rest is zero, as Direct3D's default light has it.
  EXPECT_EQ(light.Specular, D3DCOLORVALUE{});
  EXPECT_EQ(light.Ambient, D3DCOLORVALUE{});
  EXPECT_EQ(light.Position, D3DVECTOR{});
  EXPECT_EQ(light.Range, 0.0f);
  EXPECT_EQ(light.Attenuation0 + light.Attenuation1 + light.Attenuation2, 0.0f);
  D3DLIGHT9 point{};
  point.Type = D3DLIGHT_POINT;
  point.Diffuse = {1, 1, 0.5f, 1};
  point.Position = {0, 10, -5};
  point.Range = 1000;
  point.Attenuation0 = 1;
  EXPECT_EQ(Device->SetLight(0, &point), S_OK);
  EXPECT_TRUE(
      Log().Contains("SetLight(0, type 1, diffuse (1,1,0.5,1), position (0,10,-5), range 1000, "
                     "attenuation (1,0,0))"))
      << Log().Text();
  // More lights than the caps allow cannot be on at once.
  for (DWORD i = 10; i < 17; ++i) EXPECT_EQ(Device->LightEnable(i, TRUE), S_OK);
  EXPECT_EQ(Device->LightEnable(17, TRUE), D3DERR_INVALIDCALL);
}

TEST_F(FakeDevice, LostDeviceReportsLostThenNotResetUntilReset) {
  EXPECT_EQ(Device->TestCooperativeLevel(), S_OK);
  Fake->LoseDevice();
  EXPECT_EQ(Device->Present(nullptr, nullptr, 0, nullptr), D3DERR_DEVICELOST);
  EXPECT_EQ(Device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(Device->Reset(&Params), D3DERR_DEVICELOST);
  Fake->ReturnDevice();
  EXPECT_EQ(Device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(Device->Present(nullptr, nullptr, 0, nullptr), D3DERR_DEVICELOST);
  EXPECT_EQ(Device->Reset(&Params), S_OK);
  EXPECT_EQ(Device->TestCooperativeLevel(), S_OK);
  EXPECT_EQ(Device->Present(nullptr, nullptr, 0, nullptr), S_OK);
  EXPECT_EQ(Fake->PresentCount(), 1);
}

TEST_F(FakeDevice, LostDeviceCanBecomeResettableByItself) {
  Fake->LoseDevice(2);
  EXPECT_EQ(Device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(Device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(Device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(Fake->Condition(), FakeDeviceCondition::NotReset);
}

TEST_F(FakeDevice, ResetRefusesWhileDefaultPoolObjectsLive) {
  Ref<IDirect3DVertexBuffer9> dynamic;
  ASSERT_EQ(Device->CreateVertexBuffer(96, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0x144,
                                       D3DPOOL_DEFAULT, &dynamic, nullptr),
            S_OK);
  Ref<IDirect3DTexture9> managed;
  ASSERT_EQ(Device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr),
            S_OK);
  Ref<ID3DXFont> font;
  D3DXFONT_DESCA desc;
  std::strcpy(desc.FaceName, "Arial");
  ASSERT_EQ(D3DXCreateFontIndirectA(Device.Get(), &desc, &font), S_OK);
  EXPECT_EQ(Fake->DefaultPoolObjects(), 1);
  EXPECT_EQ(Device->Reset(&Params), D3DERR_INVALIDCALL);
  dynamic = nullptr;
  EXPECT_EQ(Device->Reset(&Params), D3DERR_INVALIDCALL);  // the font still holds device objects
  EXPECT_EQ(font->OnLostDevice(), S_OK);
  // Reset puts every state back to the default; managed resources survive.
  Device->SetRenderState(D3DRS_LIGHTING, FALSE);
  Device->SetTexture(0, managed.Get());
  Params.BackBufferWidth = 640;
  EXPECT_EQ(Device->Reset(&Params), S_OK);
  EXPECT_EQ(Fake->State().RenderStates[D3DRS_LIGHTING], TRUE);
  EXPECT_FALSE(Fake->State().Textures[0]);
  EXPECT_EQ(Fake->State().Viewport.Width, 640u);
  EXPECT_EQ(font->OnResetDevice(), S_OK);
  Ref<IDirect3DDevice9> owner;
  EXPECT_EQ(managed->GetDevice(&owner), S_OK);
}

TEST_F(FakeDevice, BackBufferDescriptionFollowsThePresentParameters) {
  Ref<IDirect3DSurface9> back;
  ASSERT_EQ(Device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), S_OK);
  D3DSURFACE_DESC desc;
  ASSERT_EQ(back->GetDesc(&desc), S_OK);
  EXPECT_EQ(desc.Width, 320u);
  EXPECT_EQ(desc.Height, 240u);
  EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
  // Holding the back buffer blocks Reset, as in Direct3D.
  EXPECT_EQ(Device->Reset(&Params), D3DERR_INVALIDCALL);
  back = nullptr;
  EXPECT_EQ(Device->Reset(&Params), S_OK);
}

TEST_F(FakeDevice, ZeroBackBufferSizeTakesTheWindowSizeAndIsWrittenBack) {
  D3DPRESENT_PARAMETERS pp = Params;
  pp.BackBufferWidth = 0;
  pp.BackBufferHeight = 0;
  Ref<IDirect3DDevice9> device;
  ASSERT_EQ(D3D->CreateDevice(0, D3DDEVTYPE_HAL, FakeHandle<HWND>(1),
                              D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
            S_OK);
  EXPECT_EQ(pp.BackBufferWidth, D3D->WindowClientWidth);
  EXPECT_EQ(pp.BackBufferHeight, D3D->WindowClientHeight);
}

TEST_F(FakeDevice, RecordedStateBlockAppliesWhatItRecorded) {
  Ref<IDirect3DTexture9> texture;
  ASSERT_EQ(Device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            S_OK);
  ASSERT_EQ(Device->BeginStateBlock(), S_OK);
  EXPECT_EQ(Device->BeginStateBlock(), D3DERR_INVALIDCALL);
  Device->SetTexture(0, texture.Get());
  Device->SetRenderState(D3DRS_ALPHAREF, 8);
  Device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  Ref<IDirect3DStateBlock9> block;
  ASSERT_EQ(Device->EndStateBlock(&block), S_OK);
  Ref<IDirect3DStateBlock9> none;
  EXPECT_EQ(Device->EndStateBlock(&none), D3DERR_INVALIDCALL);

  Device->SetTexture(0, nullptr);
  Device->SetRenderState(D3DRS_ALPHAREF, 0);
  Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  ASSERT_EQ(block->Apply(), S_OK);
  EXPECT_TRUE(Log().Contains("SetTexture(0, tex#2)")) << Log().Text();
  EXPECT_TRUE(Log().Contains("Apply(sb#3)")) << Log().Text();
  EXPECT_EQ(Fake->State().Textures[0].Get(), static_cast<IDirect3DBaseTexture9*>(texture.Get()));
  EXPECT_EQ(Fake->State().RenderStates[D3DRS_ALPHAREF], 8u);
  // States outside the block keep their value.
  EXPECT_EQ(Fake->State().RenderStates[D3DRS_CULLMODE], D3DCULL_NONE);

  // Capture takes the current values of the block's states only.
  Device->SetRenderState(D3DRS_ALPHAREF, 100);
  ASSERT_EQ(block->Capture(), S_OK);
  Device->SetRenderState(D3DRS_ALPHAREF, 1);
  block->Apply();
  EXPECT_EQ(Fake->State().RenderStates[D3DRS_ALPHAREF], 100u);
}

TEST_F(FakeDevice, StatesSetWhileRecordingOnlyGoIntoTheBlock) {
  Device->SetRenderState(D3DRS_ALPHAREF, 3);
  ASSERT_EQ(Device->BeginStateBlock(), S_OK);
  Device->SetRenderState(D3DRS_ALPHAREF, 8);
  Device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  Device->SetFVF(0x144);
  Device->LightEnable(5, TRUE);
  Ref<IDirect3DStateBlock9> block;
  ASSERT_EQ(Device->EndStateBlock(&block), S_OK);
  EXPECT_EQ(Fake->State().RenderStates[D3DRS_ALPHAREF], 3u);
  EXPECT_EQ(Fake->State().SamplerStates[0][D3DSAMP_MINFILTER], static_cast<DWORD>(D3DTEXF_POINT));
  EXPECT_EQ(Fake->State().FVF, 0u);
  EXPECT_EQ(Fake->State().LightEnabled.count(5), 0u);
  block->Apply();
  EXPECT_EQ(Fake->State().RenderStates[D3DRS_ALPHAREF], 8u);
  EXPECT_EQ(Fake->State().LightEnabled.at(5), TRUE);
}

TEST_F(FakeDevice, CreatedStateBlockRestoresEverything) {
  Ref<IDirect3DStateBlock9> saved;
  ASSERT_EQ(Device->CreateStateBlock(D3DSBT_ALL, &saved), S_OK);
  Device->SetRenderState(D3DRS_ZENABLE, FALSE);
  Device->SetRenderState(D3DRS_FOGENABLE, TRUE);
  D3DXMATRIX view;
  D3DXMatrixRotationY(&view, 1.0f);
  Device->SetTransform(D3DTS_VIEW, &view);
  saved->Apply();
  EXPECT_EQ(Fake->State().RenderStates[D3DRS_ZENABLE], D3DZB_TRUE);
  EXPECT_EQ(Fake->State().RenderStates[D3DRS_FOGENABLE], FALSE);
  EXPECT_EQ(Fake->State().Transform(D3DTS_VIEW)._11, 1.0f);
}

TEST_F(FakeDevice, CreatedStateBlockKeepsTheStreamThatADrawFromMemoryClears) {
  Ref<IDirect3DVertexBuffer9> buffer;
  Ref<IDirect3DIndexBuffer9> indices;
  ASSERT_EQ(Device->CreateVertexBuffer(64, 0, 0x144, D3DPOOL_MANAGED, &buffer, nullptr), S_OK);
  ASSERT_EQ(Device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr),
            S_OK);
  Device->SetStreamSource(0, buffer.Get(), 8, 32);
  Device->SetIndices(indices.Get());
  Ref<IDirect3DStateBlock9> saved;
  ASSERT_EQ(Device->CreateStateBlock(D3DSBT_ALL, &saved), S_OK);
  const float point[4] = {1, 2, 0, 1};
  Device->SetFVF(D3DFVF_XYZRHW);
  ASSERT_EQ(Device->BeginScene(), S_OK);
  ASSERT_EQ(Device->DrawPrimitiveUP(D3DPT_POINTLIST, 1, point, sizeof point), S_OK);
  Device->EndScene();
  Device->SetIndices(nullptr);
  EXPECT_FALSE(Fake->State().StreamSource);
  saved->Apply();
  EXPECT_EQ(Fake->State().StreamSource.Get(), buffer.Get());
  EXPECT_EQ(Fake->State().StreamOffset, 8u);
  EXPECT_EQ(Fake->State().StreamStride, 32u);
  EXPECT_EQ(Fake->State().Indices.Get(), indices.Get());
}

struct TVertex {
  float x, y, z, rhw;
  DWORD color;
  float u, v;
};

TEST_F(FakeDevice, DrawsAreRecordedWithTheirVerticesAndStates) {
  Ref<IDirect3DVertexBuffer9> buffer;
  ASSERT_EQ(Device->CreateVertexBuffer(4 * sizeof(TVertex), D3DUSAGE_WRITEONLY, 0x144,
                                       D3DPOOL_MANAGED, &buffer, nullptr),
            S_OK);
  void* data = nullptr;
  ASSERT_EQ(buffer->Lock(0, 0, &data, D3DLOCK_DISCARD), S_OK);
  const TVertex quad[4] = {{0, 0, 0.5f, 1, 0xFFFF0000, 0, 0},
                           {10, 0, 0.5f, 1, 0xFFFF0000, 1, 0},
                           {0, 10, 0.5f, 1, 0xFFFF0000, 0, 1},
                           {10, 10, 0.5f, 1, 0xFFFF0000, 1, 1}};
  std::memcpy(data, quad, sizeof quad);
  Device->SetFVF(0x144);
  Device->SetStreamSource(0, buffer.Get(), 0, sizeof(TVertex));
  ASSERT_EQ(Device->BeginScene(), S_OK);
  // A locked buffer cannot be drawn.
  EXPECT_EQ(Device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
  buffer->Unlock();
  Device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  EXPECT_EQ(Device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), S_OK);
  Ref<IDirect3DTexture9> second;
  ASSERT_EQ(Device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &second, nullptr),
            S_OK);
  Device->SetTexture(1, second.Get());
  Device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MULTIPLYADD);
  Device->SetTextureStageState(1, D3DTSS_COLORARG0, D3DTA_CURRENT);
  Device->SetSamplerState(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  EXPECT_EQ(Device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), S_OK);
  EXPECT_EQ(Device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2), D3DERR_INVALIDCALL);  // past the end
  ASSERT_EQ(Device->EndScene(), S_OK);
  // Drawing outside a scene fails.
  EXPECT_EQ(Device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);

  ASSERT_EQ(Fake->Draws().size(), 2u);
  const FakeDraw& draw = Fake->Draws()[0];
  EXPECT_EQ(draw.Method, "DrawPrimitive");
  EXPECT_EQ(draw.FVF, 0x144u);
  EXPECT_EQ(draw.Texture0, "null");
  EXPECT_EQ(draw.RenderStates[D3DRS_ALPHABLENDENABLE], TRUE);
  // The second stage's texture, states and sampler travel with the draw.
  EXPECT_EQ(draw.Texture1, "null");
  EXPECT_EQ(draw.Stage1[D3DTSS_COLOROP], DWORD(D3DTOP_DISABLE));
  EXPECT_EQ(draw.Stage1[D3DTSS_TEXCOORDINDEX], 1u);
  const FakeDraw& blended = Fake->Draws()[1];
  EXPECT_NE(blended.Texture1, "null");
  EXPECT_EQ(blended.Stage1[D3DTSS_COLOROP], DWORD(D3DTOP_MULTIPLYADD));
  EXPECT_EQ(blended.Stage1[D3DTSS_COLORARG0], DWORD(D3DTA_CURRENT));
  EXPECT_EQ(blended.Sampler1[D3DSAMP_MAGFILTER], DWORD(D3DTEXF_LINEAR));
  ASSERT_EQ(draw.Vertices.size(), sizeof quad);
  EXPECT_EQ(std::memcmp(draw.Vertices.data(), quad, sizeof quad), 0);
  EXPECT_TRUE(Log().Contains("Lock(vb#2, 0, 0, DISCARD)")) << Log().Text();
  EXPECT_TRUE(Log().Contains("DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2) -> 0x8876086C"));
}

TEST_F(FakeDevice, IndexedDrawsCopyTheirIndices) {
  Ref<IDirect3DVertexBuffer9> vertices;
  Ref<IDirect3DIndexBuffer9> indices;
  ASSERT_EQ(Device->CreateVertexBuffer(4 * 32, 0, 0x112, D3DPOOL_MANAGED, &vertices, nullptr),
            S_OK);
  ASSERT_EQ(Device->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr),
            S_OK);
  void* data = nullptr;
  indices->Lock(0, 0, &data, 0);
  const WORD list[6] = {0, 1, 2, 2, 1, 3};
  std::memcpy(data, list, sizeof list);
  indices->Unlock();
  Device->SetFVF(0x112);
  Device->SetStreamSource(0, vertices.Get(), 0, 32);
  Device->SetIndices(indices.Get());
  Device->BeginScene();
  EXPECT_EQ(Device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), S_OK);
  EXPECT_EQ(Device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  Device->EndScene();
  ASSERT_EQ(Fake->Draws().size(), 1u);
  EXPECT_EQ(Fake->Draws()[0].Indices, (std::vector<WORD>{0, 1, 2, 2, 1, 3}));
}

TEST_F(FakeDevice, ClearingADepthBufferNeedsOne) {
  EXPECT_EQ(Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0),
            S_OK);
  Params.EnableAutoDepthStencil = FALSE;
  ASSERT_EQ(Device->Reset(&Params), S_OK);
  EXPECT_EQ(Device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(Fake->State().RenderStates[D3DRS_ZENABLE], D3DZB_FALSE);
}

TEST_F(FakeDevice, CursorCallsAreKept) {
  Ref<IDirect3DSurface9> image;
  ASSERT_EQ(Device->CreateOffscreenPlainSurface(32, 32, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &image,
                                                nullptr),
            S_OK);
  EXPECT_EQ(Device->SetCursorProperties(3, 4, image.Get()), S_OK);
  Device->SetCursorPosition(100, 50, 0);
  EXPECT_EQ(Device->ShowCursor(TRUE), FALSE);
  EXPECT_EQ(Device->ShowCursor(TRUE), TRUE);
  EXPECT_TRUE(Fake->CursorVisible());
  EXPECT_EQ(Fake->CursorPosition(), (POINT{100, 50}));
  EXPECT_EQ(Fake->CursorHotSpot(), (POINT{3, 4}));
}

}  // namespace
