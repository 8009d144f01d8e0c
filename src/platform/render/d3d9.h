// The render platform's contract: the Direct3D 9 interfaces the engine draws through, with
// Direct3D's method names and argument order. Backends (gl/, fake/) implement these classes;
// the program picks one backend once, at start-up, with SetDirect3DBackend.
//
// On Windows this is the real <d3d9.h> (d3d9.dll is part of Windows); on Linux our own
// declarations below, with the same shapes.
//
// Ownership is COM's (Ref.h): creating calls store a pointer carrying one reference through a
// T** out parameter (pass `&ref` of a Ref<T>), and the holder releases it. Objects passed in
// by plain pointer are borrowed for the call; where the device keeps one (a bound texture,
// stream source, index buffer, cursor image is copied), it takes its own reference, as
// Direct3D does, and drops it when something else is bound or the device goes away.
//
// Result codes are Direct3D's (d3d9types.h): 0 for success, negative for failure.
#pragma once

#include <functional>

#include "platform/render/Ref.h"
#include "platform/render/d3d9types.h"

#if defined(_WIN32)

#include <d3d9.h>

#else

class IDirect3D9;
class IDirect3DDevice9;

// Anything created by a device. GetDevice fails with D3DERR_INVALIDCALL once the device that
// made the resource is gone (the resource itself stays valid to release).
class IDirect3DResource9 : public RefCounted {
 public:
  virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
  virtual D3DRESOURCETYPE GetType() = 0;
};

class IDirect3DSurface9 : public IDirect3DResource9 {
 public:
  virtual HRESULT GetDesc(D3DSURFACE_DESC* pDesc) = 0;
  // Maps the pixels (whole surface when pRect is null) for CPU access until UnlockRect.
  // Pitch is bytes per row. The GL backend keeps surfaces in memory, so locking is cheap.
  virtual HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) = 0;
  virtual HRESULT UnlockRect() = 0;
};

class IDirect3DBaseTexture9 : public IDirect3DResource9 {
 public:
  virtual DWORD GetLevelCount() = 0;
};

class IDirect3DTexture9 : public IDirect3DBaseTexture9 {
 public:
  virtual HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) = 0;
  // A surface that views one mip level; writes through its LockRect reach the texture when
  // that surface is unlocked.
  virtual HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) = 0;
  // Maps one level; the texture's contents change for drawing at UnlockRect (the GL backend
  // uploads then). Locking a level that is already locked fails with D3DERR_INVALIDCALL.
  virtual HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                           DWORD Flags) = 0;
  virtual HRESULT UnlockRect(UINT Level) = 0;
};

class IDirect3DVertexBuffer9 : public IDirect3DResource9 {
 public:
  // Maps bytes [OffsetToLock, OffsetToLock + SizeToLock) (SizeToLock 0: to the end).
  // D3DLOCK_DISCARD: the old contents may be dropped. The data reaches drawing at Unlock.
  virtual HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) = 0;
};

class IDirect3DIndexBuffer9 : public IDirect3DResource9 {
 public:
  virtual HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) = 0;
};

// A recorded or captured set of states. Apply sets the device's states to the recorded values;
// Capture replaces the recorded values with the device's current ones (only the states the
// block holds). A state block counts as a default-pool object: release it before Reset.
class IDirect3DStateBlock9 : public RefCounted {
 public:
  virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
  virtual HRESULT Capture() = 0;
  virtual HRESULT Apply() = 0;
};

// Programmable shaders are not used; these exist so that SetPixelShader(nullptr) reads as in
// Direct3D (the fixed-function pipeline is selected).
class IDirect3DPixelShader9 : public RefCounted {};
class IDirect3DVertexShader9 : public RefCounted {};

class IDirect3DDevice9 : public RefCounted {
 public:
  // ---- Device life --------------------------------------------------------------------------
  // D3D_OK, D3DERR_DEVICELOST (wait; nothing can be reset yet) or D3DERR_DEVICENOTRESET
  // (call Reset).
  virtual HRESULT TestCooperativeLevel() = 0;
  virtual UINT GetAvailableTextureMem() = 0;
  virtual HRESULT GetDirect3D(IDirect3D9** ppD3D9) = 0;
  virtual HRESULT GetDeviceCaps(D3DCAPS9* pCaps) = 0;
  virtual HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) = 0;
  // Resizes the back buffer and depth buffer to the new parameters and sets every state back
  // to Direct3D's defaults. Managed-pool resources survive. Fails with D3DERR_INVALIDCALL
  // while any default-pool resource (buffers, surfaces, state blocks) is still referenced; a
  // D3DX font or sprite holds a state block until its OnLostDevice.
  virtual HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) = 0;
  // Shows the back buffer. D3DERR_DEVICELOST when the display was taken away.
  virtual HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                          const void* pDirtyRegion) = 0;
  // The back buffer as a surface (for its description; locking it is not supported).
  virtual HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                                IDirect3DSurface9** ppBackBuffer) = 0;
  // The surface drawing goes to now (the back buffer unless SetRenderTarget chose another).
  virtual HRESULT GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) = 0;
  // Drawing and Clear go to the surface (index 0 only; the back buffer or one of
  // CreateRenderTarget's) from now on, and the viewport becomes the whole surface. The auto
  // depth buffer serves a target no larger than the back buffer.
  virtual HRESULT SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) = 0;
  // Copies a rectangle of one render target into one of another (null: the whole surface),
  // scaled with D3DTEXF_POINT or D3DTEXF_LINEAR filtering; outside BeginScene and EndScene,
  // as some drivers require.
  virtual HRESULT StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                              IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                              D3DTEXTUREFILTERTYPE Filter) = 0;

  // ---- Device cursor --------------------------------------------------------------------------
  // Copies the surface's pixels (A8R8G8B8) as the cursor image; the surface can be released
  // afterwards.
  virtual HRESULT SetCursorProperties(UINT XHotSpot, UINT YHotSpot,
                                      IDirect3DSurface9* pCursorBitmap) = 0;
  virtual void SetCursorPosition(int X, int Y, DWORD Flags) = 0;
  // Returns the previous visibility.
  virtual BOOL ShowCursor(BOOL bShow) = 0;

  // ---- Resource creation ----------------------------------------------------------------------
  // Levels 0: the full mip chain down to 1 x 1. Managed textures survive Reset; default-pool
  // ones must be released before it. pSharedHandle must be null.
  virtual HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                D3DPOOL Pool, IDirect3DTexture9** ppTexture,
                                HANDLE* pSharedHandle) = 0;
  virtual HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                     IDirect3DVertexBuffer9** ppVertexBuffer,
                                     HANDLE* pSharedHandle) = 0;
  virtual HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                    IDirect3DIndexBuffer9** ppIndexBuffer,
                                    HANDLE* pSharedHandle) = 0;
  // A default-pool surface to draw into with SetRenderTarget; released before Reset.
  virtual HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format,
                                     D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality,
                                     BOOL Lockable, IDirect3DSurface9** ppSurface,
                                     HANDLE* pSharedHandle) = 0;
  // A CPU-side image (used for the cursor); the D3DX surface loaders fill it.
  virtual HRESULT CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                              D3DPOOL Pool, IDirect3DSurface9** ppSurface,
                                              HANDLE* pSharedHandle) = 0;

  // ---- Frame ----------------------------------------------------------------------------------
  // Drawing is valid only between BeginScene and EndScene; BeginScene twice, or EndScene
  // without BeginScene, fails with D3DERR_INVALIDCALL.
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  // Clears the viewport (or the given rectangles within it) of the targets in Flags.
  virtual HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                        DWORD Stencil) = 0;

  // ---- Fixed-function state ---------------------------------------------------------------------
  // Every setter changes one state until it is set again, Reset puts it back to the default, or a
  // state block is applied. Inside BeginStateBlock/EndStateBlock the setters are only recorded
  // into the block: the device's states stay as they were until the block is applied.
  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) = 0;
  // The viewport is set to the whole back buffer at creation and Reset.
  virtual HRESULT SetViewport(const D3DVIEWPORT9* pViewport) = 0;
  virtual HRESULT GetViewport(D3DVIEWPORT9* pViewport) = 0;
  virtual HRESULT SetMaterial(const D3DMATERIAL9* pMaterial) = 0;
  virtual HRESULT GetMaterial(D3DMATERIAL9* pMaterial) = 0;
  // Any index may be used; of the enabled lights the 8 with the lowest indices light the
  // scene (caps MaxActiveLights).
  // LightEnable on an index never set creates Direct3D's default light (white directional).
  virtual HRESULT SetLight(DWORD Index, const D3DLIGHT9* pLight) = 0;
  virtual HRESULT GetLight(DWORD Index, D3DLIGHT9* pLight) = 0;
  virtual HRESULT LightEnable(DWORD Index, BOOL Enable) = 0;
  virtual HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) = 0;
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) = 0;
  // Binds a texture to a stage (null: untextured); the device holds a reference while bound.
  virtual HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) = 0;
  virtual HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) = 0;
  virtual HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) = 0;
  virtual HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                       DWORD* pValue) = 0;
  virtual HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) = 0;
  virtual HRESULT GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) = 0;

  // ---- State blocks
  // ------------------------------------------------------------------------------ A block holding
  // the current value of every state of the kind (D3DSBT_ALL, PIXELSTATE, VERTEXSTATE).
  virtual HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE Type, IDirect3DStateBlock9** ppSB) = 0;
  // Starts recording: the following setters go into a new block (not to the device) until
  // EndStateBlock hands the block back. Nesting fails with D3DERR_INVALIDCALL.
  virtual HRESULT BeginStateBlock() = 0;
  virtual HRESULT EndStateBlock(IDirect3DStateBlock9** ppSB) = 0;

  // ---- Vertex input and drawing
  // ------------------------------------------------------------------- Formats drawn: 0x112
  // (position, normal, one texture pair), 0x142 (position, diffuse, one texture pair), 0x144
  // (pre-transformed pixels with rhw, diffuse, one texture pair) and their subsets. The device
  // holds references to the bound buffers.
  virtual HRESULT SetFVF(DWORD FVF) = 0;
  virtual HRESULT GetFVF(DWORD* pFVF) = 0;
  virtual HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData,
                                  UINT OffsetInBytes, UINT Stride) = 0;
  virtual HRESULT SetIndices(IDirect3DIndexBuffer9* pIndexData) = 0;
  virtual HRESULT SetPixelShader(IDirect3DPixelShader9* pShader) = 0;
  virtual HRESULT SetVertexShader(IDirect3DVertexShader9* pShader) = 0;
  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                UINT PrimitiveCount) = 0;
  virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex,
                                       UINT MinVertexIndex, UINT NumVertices, UINT StartIndex,
                                       UINT PrimitiveCount) = 0;
  // Draws from caller memory; the stream source binding is cleared, as in Direct3D.
  virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                  const void* pVertexStreamZeroData,
                                  UINT VertexStreamZeroStride) = 0;
};

class IDirect3D9 : public RefCounted {
 public:
  virtual UINT GetAdapterCount() = 0;
  virtual HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags,
                                       D3DADAPTER_IDENTIFIER9* pIdentifier) = 0;
  // Display modes of one adapter in one format (the GL backend offers the screen's current
  // mode in the format matching the screen's depth).
  virtual UINT GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) = 0;
  virtual HRESULT EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode,
                                   D3DDISPLAYMODE* pMode) = 0;
  virtual HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) = 0;
  virtual HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat,
                                  D3DFORMAT BackBufferFormat, BOOL bWindowed) = 0;
  virtual HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                    DWORD Usage, D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) = 0;
  // pQualityLevels (may be null) receives the number of quality levels.
  virtual HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType,
                                             D3DFORMAT SurfaceFormat, BOOL Windowed,
                                             D3DMULTISAMPLE_TYPE MultiSampleType,
                                             DWORD* pQualityLevels) = 0;
  virtual HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType,
                                         D3DFORMAT AdapterFormat, D3DFORMAT RenderTargetFormat,
                                         D3DFORMAT DepthStencilFormat) = 0;
  // D3DERR_NOTAVAILABLE for a device type the adapter does not offer.
  virtual HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) = 0;
  virtual HMONITOR GetAdapterMonitor(UINT Adapter) = 0;
  // Creates a device drawing into pPresentationParameters->hDeviceWindow (else hFocusWindow).
  // A zero back-buffer width or height takes the window's client size and is written back.
  virtual HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                               DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* pPresentationParameters,
                               IDirect3DDevice9** ppReturnedDeviceInterface) = 0;
};

// The Direct3D object of the chosen backend, with one reference for the caller; null when
// SDKVersion is not D3D_SDK_VERSION or no backend has been chosen, or when the backend cannot
// start (no display).
IDirect3D9* Direct3DCreate9(UINT SDKVersion);

#endif

// ---- Backend selection -----------------------------------------------------------------------

// Makes the Direct3D object of a backend. The program sets the GL backend's factory once at
// start-up; tests of the engine set the fake's. Setting an empty function clears the choice (on
// Windows, back to the real Direct3D of d3d9.dll).
using Direct3DBackendFactory = std::function<Ref<IDirect3D9>()>;
void SetDirect3DBackend(Direct3DBackendFactory factory);
