// The fake backend's render device. It keeps every state the engine sets (queryable through
// the Get... calls and State()), records each call in the shared FakeRecorder, keeps a
// record of every draw with the states it was drawn with, and can be told to lose itself:
//
//   device->LoseDevice();    // Present and TestCooperativeLevel report D3DERR_DEVICELOST
//   device->ReturnDevice();  // TestCooperativeLevel reports D3DERR_DEVICENOTRESET until Reset
//
// Reset fails with D3DERR_INVALIDCALL while default-pool objects are alive (state blocks
// among them, such as the one a D3DX font or sprite holds until its OnLostDevice), as Direct3D
// does.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/render/fake/FakeInterfaces.h"
#include "platform/render/fake/FakeRecorder.h"
#include "platform/render/fake/FakeResource.h"

class FakeDirect3D9;
class FakeStateBlock9;
struct FakeMachine;

constexpr DWORD kFakeStages = 8;
constexpr DWORD kFakeSamplers = 16;

// Everything a state block can hold.
struct FakeDeviceState {
  std::array<DWORD, D3DRS_COUNT> RenderStates{};
  std::array<std::array<DWORD, D3DTSS_COUNT>, kFakeStages> TextureStageStates{};
  std::array<std::array<DWORD, D3DSAMP_COUNT>, kFakeSamplers> SamplerStates{};
  std::map<DWORD, D3DMATRIX> Transforms;  // absent: identity
  D3DMATERIAL9 Material{};
  std::map<DWORD, D3DLIGHT9> Lights;
  std::map<DWORD, BOOL> LightEnabled;
  std::array<Ref<IDirect3DBaseTexture9>, kFakeStages> Textures;
  DWORD FVF = 0;
  Ref<IDirect3DVertexBuffer9> StreamSource;
  UINT StreamOffset = 0;
  UINT StreamStride = 0;
  Ref<IDirect3DIndexBuffer9> Indices;
  D3DVIEWPORT9 Viewport{};

  D3DMATRIX Transform(DWORD State) const;
};

// One draw call and what it was drawn with.
struct FakeDraw {
  std::string Method;  // "DrawPrimitive", "DrawIndexedPrimitive", "DrawPrimitiveUP"
  D3DPRIMITIVETYPE PrimitiveType = D3DPT_TRIANGLELIST;
  UINT Start = 0;  // start vertex, or start index for indexed draws
  UINT PrimitiveCount = 0;
  DWORD FVF = 0;
  UINT Stride = 0;
  std::string Texture0;  // label of the stage-0 texture, or "null"
  std::array<DWORD, D3DRS_COUNT> RenderStates{};
  std::array<DWORD, D3DTSS_COUNT> Stage0{};
  // Stage 1, which blends a second texture over stage 0's result while its COLOROP is enabled.
  std::string Texture1;  // label of the stage-1 texture, or "null"
  std::array<DWORD, D3DTSS_COUNT> Stage1{};
  std::array<DWORD, D3DSAMP_COUNT> Sampler1{};
  D3DMATRIX World{};
  D3DMATRIX View{};
  D3DMATRIX Projection{};
  D3DMATERIAL9 Material{};
  std::vector<BYTE> Vertices;  // the vertices drawn (for indexed draws, from the base vertex)
  std::vector<WORD> Indices;   // the indices drawn (16-bit index buffers)
  std::string Target;          // label of the render target drawn into, or "backbuffer"
};

enum class FakeDeviceCondition { Operational, Lost, NotReset };

class FakeDevice9 : public FakeDevice9Base {
 public:
  FakeDevice9(Ref<FakeDirect3D9> D3D, std::shared_ptr<FakeRecorder> Recorder, const D3DCAPS9& Caps,
              DWORD BehaviorFlags, const D3DPRESENT_PARAMETERS& Params);
  ~FakeDevice9() override;

  // ---- Test controls ----
  // The display is taken away. After LostTests further TestCooperativeLevel calls (never,
  // when negative) the device becomes resettable on its own; ReturnDevice does it at once.
  void LoseDevice(int LostTests = -1);
  void ReturnDevice();
  FakeDeviceCondition Condition() const { return FCondition; }
  const FakeDeviceState& State() const { return FState; }
  const std::vector<FakeDraw>& Draws() const { return FDraws; }
  void ClearDraws() { FDraws.clear(); }
  const D3DPRESENT_PARAMETERS& PresentParameters() const { return FParams; }
  DWORD BehaviorFlags() const { return FBehaviorFlags; }
  int PresentCount() const { return FPresentCount; }
  // Label of the surface drawing goes to, or "backbuffer".
  std::string TargetLabel() const;
  bool InScene() const { return FInScene; }
  bool CursorVisible() const { return FCursorVisible; }
  POINT CursorPosition() const { return FCursorPosition; }
  POINT CursorHotSpot() const { return FCursorHotSpot; }
  // Default-pool objects (and state blocks, back-buffer surfaces) alive now, not counting the
  // state blocks our D3DX's fonts and sprites keep for themselves (which block Reset too).
  int DefaultPoolObjects() const { return FLink->DefaultPoolObjects; }
  const std::string& Label() const { return FLabel; }
  // The machine this device's Direct3D object pretends to be (its scripted images).
  const FakeMachine& Machine() const;

  // ---- IDirect3DDevice9 ----
  HRESULT TestCooperativeLevel() override;
  UINT GetAvailableTextureMem() override;
  HRESULT GetDirect3D(IDirect3D9** ppD3D9) override;
  HRESULT GetDeviceCaps(D3DCAPS9* pCaps) override;
  HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) override;
  HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
  HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                  const FakeRegionData* pDirtyRegion) override;
  HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                        IDirect3DSurface9** ppBackBuffer) override;
  HRESULT GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) override;
  HRESULT SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) override;
  HRESULT StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                      IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                      D3DTEXTUREFILTERTYPE Filter) override;
  HRESULT SetCursorProperties(UINT XHotSpot, UINT YHotSpot,
                              IDirect3DSurface9* pCursorBitmap) override;
  void SetCursorPosition(int X, int Y, DWORD Flags) override;
  BOOL ShowCursor(BOOL bShow) override;
  HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                        D3DPOOL Pool, IDirect3DTexture9** ppTexture,
                        HANDLE* pSharedHandle) override;
  HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                             IDirect3DVertexBuffer9** ppVertexBuffer,
                             HANDLE* pSharedHandle) override;
  HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                            IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle) override;
  HRESULT CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,
                                      IDirect3DSurface9** ppSurface,
                                      HANDLE* pSharedHandle) override;
  HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format,
                             D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality,
                             BOOL Lockable, IDirect3DSurface9** ppSurface,
                             HANDLE* pSharedHandle) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                DWORD Stencil) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
  HRESULT SetViewport(const D3DVIEWPORT9* pViewport) override;
  HRESULT GetViewport(D3DVIEWPORT9* pViewport) override;
  HRESULT SetMaterial(const D3DMATERIAL9* pMaterial) override;
  HRESULT GetMaterial(D3DMATERIAL9* pMaterial) override;
  HRESULT SetLight(DWORD Index, const D3DLIGHT9* pLight) override;
  HRESULT GetLight(DWORD Index, D3DLIGHT9* pLight) override;
  HRESULT LightEnable(DWORD Index, BOOL Enable) override;
  HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
  HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
  HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) override;
  HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
  HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override;
  HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override;
  HRESULT GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) override;
  HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE Type, IDirect3DStateBlock9** ppSB) override;
  HRESULT BeginStateBlock() override;
  HRESULT EndStateBlock(IDirect3DStateBlock9** ppSB) override;
  HRESULT SetFVF(DWORD FVF) override;
  HRESULT GetFVF(DWORD* pFVF) override;
  HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData,
                          UINT OffsetInBytes, UINT Stride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer9* pIndexData) override;
  HRESULT SetPixelShader(IDirect3DPixelShader9* pShader) override;
  HRESULT SetVertexShader(IDirect3DVertexShader9* pShader) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                        UINT PrimitiveCount) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex,
                               UINT MinVertexIndex, UINT NumVertices, UINT StartIndex,
                               UINT PrimitiveCount) override;
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                          const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) override;

  // ---- Used by the fake's state blocks and its D3DX recording ----
  FakeDeviceState& MutableState() { return FState; }
  // Setters that change a state (and record it into a state block being recorded) without
  // logging: state blocks apply through them.
  void StoreRenderState(D3DRENDERSTATETYPE State, DWORD Value);
  void StoreTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value);
  void StoreSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value);
  void StoreTransform(DWORD State, const D3DMATRIX& Matrix);
  void StoreTexture(DWORD Stage, IDirect3DBaseTexture9* Texture);
  const std::shared_ptr<FakeDeviceLink>& Link() const { return FLink; }
  const std::shared_ptr<FakeRecorder>& SharedRecorder() const { return FRecorder; }
  FakeRecorder& Recorder() const { return *FRecorder; }
  void RecordDraw(FakeDraw Draw);
  // A draw as a D3DX sprite makes it: its own texture and vertex format, the device's states.
  void RecordDraw(FakeDraw Draw, IDirect3DBaseTexture9* Texture, DWORD FVF);

 private:
  void SetDefaultState();

  Ref<FakeDirect3D9> FD3D;
  std::shared_ptr<FakeRecorder> FRecorder;
  std::shared_ptr<FakeDeviceLink> FLink;
  std::string FLabel;
  D3DCAPS9 FCaps;
  DWORD FBehaviorFlags;
  D3DPRESENT_PARAMETERS FParams;
  FakeDeviceState FState;
  std::vector<FakeDraw> FDraws;
  // The render target SetRenderTarget chose; null: the back buffer.
  Ref<IDirect3DSurface9> FRenderTarget;
  FakeDeviceCondition FCondition = FakeDeviceCondition::Operational;
  int FLostTestsLeft = -1;
  bool FInScene = false;
  int FPresentCount = 0;
  bool FCursorVisible = false;
  POINT FCursorPosition{};
  POINT FCursorHotSpot{};
  Ref<FakeStateBlock9> FRecording;
};

// The presentation parameters as one readable argument of the log.
std::string FakePresentParametersText(const D3DPRESENT_PARAMETERS& Params);
