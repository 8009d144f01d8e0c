// The Direct3D device of the OpenGL backend. It draws into a framebuffer object of the
// back buffer's size and format, stored top row first as Direct3D's is, and Present copies it
// to the window (flipped and scaled to the window) and swaps. Direct3D state lives in plain
// tables; draws fold it into a fixed-function key, pick the cached program and apply only the
// GL state that changed since the last draw.
#pragma once

#include <QCursor>
#include <QImage>
#include <QPointer>
#include <QWindow>
#include <bitset>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/render/d3d9.h"
#include "platform/render/gl/GLCore.h"
#include "platform/render/gl/GLFixedFunction.h"
#include "platform/render/gl/GLSurface9.h"

class GLStateBlock9;

constexpr DWORD kGLStages = 8;
constexpr DWORD kGLSamplers = 16;

struct GLLightSlot {
  D3DLIGHT9 light;
  bool enabled = false;
};

struct GLStream {
  Ref<IDirect3DVertexBuffer9> buffer;
  UINT offset = 0;
  UINT stride = 0;
};

// Everything a state block can hold.
struct GLDeviceState {
  DWORD rs[D3DRS_COUNT] = {};
  DWORD tss[kGLStages][D3DTSS_COUNT] = {};
  DWORD samp[kGLSamplers][D3DSAMP_COUNT] = {};
  std::map<DWORD, D3DMATRIX> transforms;  // a transform never set is the identity
  D3DMATERIAL9 material;
  std::map<DWORD, GLLightSlot> lights;
  D3DVIEWPORT9 viewport;
  DWORD fvf = 0;
  Ref<IDirect3DBaseTexture9> textures[kGLStages];
  GLStream stream;
  Ref<IDirect3DIndexBuffer9> indices;
};

class GLDevice9 final : public IDirect3DDevice9 {
 public:
  GLDevice9(Ref<IDirect3D9> d3d, UINT adapter, D3DDEVTYPE type, DWORD behavior);
  ~GLDevice9() override;
  HRESULT Create(HWND window, D3DPRESENT_PARAMETERS* pp);

  HRESULT TestCooperativeLevel() override;
  UINT GetAvailableTextureMem() override;
  HRESULT GetDirect3D(IDirect3D9** ppD3D9) override;
  HRESULT GetDeviceCaps(D3DCAPS9* pCaps) override;
  HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) override;
  HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
  HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                  const void* pDirtyRegion) override;
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

  // ---- Backend internals ----------------------------------------------------------------
  const GLDeviceState& State() const { return state_; }
  GLCore* Core() const { return core_.Get(); }
  // Forgets what GL state is believed current (after other code used the context).
  void InvalidateStateCache();
  // A texture name was deleted or unit 0 rebound behind the cache's back (0: just rebound).
  void ForgetTexture(GLuint id);
  // The back buffer as ARGB pixels, top row first (resolved when multisampled).
  QImage GrabBackBuffer();
  UINT BackBufferWidth() const { return pp_.BackBufferWidth; }
  UINT BackBufferHeight() const { return pp_.BackBufferHeight; }
  bool InScene() const { return inScene_; }
  // Loses the device as a display change would: drawing and Present report the loss until
  // a Reset succeeds.
  void Lose() { lost_ = true; }
  UINT ProgramsCompiled() const { return static_cast<UINT>(ff_ ? ff_->CachedPrograms() : 0); }

 private:
  HRESULT SetUpSurfaces();
  void ReleaseSurfaces();
  void ResetState();
  bool Drawable() const;
  // What the backend keeps constant in the context (framebuffer, vertex array, sampler,
  // winding, provoking vertex), set again whenever the state cache is forgotten.
  void ApplyContextSetup();
  // Before a draw: the program for the state's fixed-function key, its uniforms, the fixed
  // state, the sampled stages' textures and samplers, and the vertex layout of the state's FVF
  // over vbo.
  HRESULT PrepareDraw(GLuint vbo, UINT streamOffset, UINT stride);
  // Before Clear, which needs no program: the framebuffer and the fixed state (viewport, masks);
  // program, texture and buffers are left for the next draw to bind.
  void PrepareFramebuffer();
  void ApplyFixedState(bool pretransformed);
  void BindVertexLayout(DWORD fvf, GLuint vbo, UINT streamOffset, UINT stride);
  void UploadUniforms(FFProgram* p);
  // Texture unit and sampler object `unit` serve texture stage `unit`.
  void BindTexture(int unit, GLuint id);
  void ApplySampler(int unit);
  void ResolveInto(GLuint targetFbo);
  // Where drawing goes now: the render target's framebuffer, else the back buffer's.
  GLuint DrawFramebuffer() const;
  UINT TargetWidth() const { return renderTarget_ ? renderTarget_->Width() : pp_.BackBufferWidth; }
  UINT TargetHeight() const {
    return renderTarget_ ? renderTarget_->Height() : pp_.BackBufferHeight;
  }
  void SyncChildWindow();

  Ref<IDirect3D9> d3d_;
  UINT adapter_;
  D3DDEVTYPE type_;
  DWORD behavior_;
  Ref<GLCore> core_;
  QPointer<QWindow> target_;  // the window the device was created for
  QWindow* child_ = nullptr;  // our GL child window when the target is not a GL surface
  D3DPRESENT_PARAMETERS pp_;
  GLDeviceState state_;
  bool inScene_ = false;
  bool lost_ = false;
  Ref<GLStateBlock9> recording_;
  // The render target SetRenderTarget chose; null: the back buffer.
  Ref<GLSurface9> renderTarget_;
  std::unique_ptr<GLFixedFunction> ff_;

  // The back buffer: fbo_ with colour and depth; with multisampling drawing goes to msFbo_
  // and is resolved into fbo_ when read or presented.
  GLuint fbo_ = 0, colorRb_ = 0, depthRb_ = 0;
  GLuint msFbo_ = 0, msColorRb_ = 0, msDepthRb_ = 0;
  GLuint vao_ = 0, upBuffer_ = 0, samplers_[kFFStages] = {};

  // Versions of the uniform groups, bumped by the setters.
  std::uint64_t transformVersion_ = 1, materialVersion_ = 1, lightVersion_ = 1, miscVersion_ = 1;
  // Cached from the transforms when they change.
  float normalMatrix_[9] = {};
  bool normalMatrixDirty_ = true;

  // What GL state is believed current; `known` false means nothing is.
  struct Shadow {
    bool known = false;
    GLuint program = 0, textures[kFFStages] = {}, vbo = 0, ebo = 0;
    DWORD fvf = 0xFFFFFFFF;
    UINT stride = 0, offset = 0;
    bool blend = false, depthTest = false, cull = false, alphaWrite = true;
    GLboolean depthMask = GL_TRUE;
    GLenum srcBlend = 0, dstBlend = 0, blendOp = 0, depthFunc = 0, cullFace = 0, fill = 0;
    DWORD colorMask = 0xF;
    D3DVIEWPORT9 viewport{0xFFFFFFFF, 0, 0, 0, -1.0f, -1.0f};
    float minZ = -1.0f, maxZ = -1.0f;
    DWORD samplerState[kFFStages][D3DSAMP_COUNT] = {};
    bool samplerKnown[kFFStages] = {};
  } shadow_;

  QCursor cursor_;
  bool cursorSet_ = false;
  bool cursorShown_ = false;
};
