// The device framework: a component on a form that owns the platform object and the render
// device, chooses the device configuration, creates, resets and releases the device, drives
// the frame loop from the application's idle time, keeps the frame clock and the frame
// statistics, reacts to the form window's messages and turns failures into a fixed set of
// messages. Every TWPool on the same form gets the device-object phases just before the form's
// own events.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/TComponent.h"
#include "engine/TDeviceState.h"
#include "engine/TFrameBudget.h"
#include "engine/TWCursor.h"
#include "engine/TWFrameClock.h"
#include "engine/TWinControl.h"
#include "engine/d3d/TD3DEnumeration.h"
#include "engine/d3d/TD3DSettings.h"
#include "platform/window/winuser.h"

// Framework result codes.
constexpr HRESULT D3DAPPERR_NODIRECT3D = static_cast<HRESULT>(0x82000001u);
constexpr HRESULT D3DAPPERR_NOWINDOW = static_cast<HRESULT>(0x82000002u);
constexpr HRESULT D3DAPPERR_NOCOMPATIBLEDEVICES = static_cast<HRESULT>(0x82000003u);
constexpr HRESULT D3DAPPERR_NOWINDOWABLEDEVICES = static_cast<HRESULT>(0x82000004u);
constexpr HRESULT D3DAPPERR_NOHARDWAREDEVICE = static_cast<HRESULT>(0x82000005u);
constexpr HRESULT D3DAPPERR_HALNOTCOMPATIBLE = static_cast<HRESULT>(0x82000006u);
constexpr HRESULT D3DAPPERR_NOWINDOWEDHAL = static_cast<HRESULT>(0x82000007u);
constexpr HRESULT D3DAPPERR_NODESKTOPHAL = static_cast<HRESULT>(0x82000008u);
constexpr HRESULT D3DAPPERR_NOHALTHISMODE = static_cast<HRESULT>(0x82000009u);
constexpr HRESULT D3DAPPERR_NONZEROREFCOUNT = static_cast<HRESULT>(0x8200000Au);
constexpr HRESULT D3DAPPERR_MEDIANOTFOUND = static_cast<HRESULT>(0x8200000Bu);
constexpr HRESULT D3DAPPERR_RESETFAILED = static_cast<HRESULT>(0x8200000Cu);
constexpr HRESULT D3DAPPERR_NULLREFDEVICE = static_cast<HRESULT>(0x8200000Du);

class TW9DirectX;

// Events hold the object and its method together; an unassigned one does nothing, and an
// unassigned one that returns a result counts as success.
using TSomeEvent = std::function<void(TW9DirectX* Sender)>;
using TSomeResultEvent = std::function<HRESULT(TW9DirectX* Sender)>;
using TConfirmDeviceEvent = std::function<HRESULT(
    const D3DCAPS9& Caps, DWORD Behavior, D3DFORMAT adapterFormat, D3DFORMAT backBufferFormat)>;
using TRenderEvent = std::function<HRESULT(TW9DirectX* Sender, bool& DefaultPresent)>;
using TSwitchedModeEvent = std::function<void(TW9DirectX* Sender, bool Windowed)>;

// How ShowError presents a code.
enum TErrorKind { ekNone, ekFatal, ekSwitchedToRef };

class TW9DirectX : public TComponent {
 public:
  // The owner should be a TForm: its window is the device, focus and hooked window. Without a
  // time source the clock reads the C++ library's monotonic clock.
  explicit TW9DirectX(TComponent* AOwner = nullptr,
                      std::shared_ptr<TWTimeSource> TimeSource = nullptr);
  explicit TW9DirectX(std::shared_ptr<TWTimeSource> TimeSource)
      : TW9DirectX(nullptr, std::move(TimeSource)) {}
  ~TW9DirectX() override;
  TW9DirectX(const TW9DirectX&) = delete;
  TW9DirectX& operator=(const TW9DirectX&) = delete;

  // Enumeration settings; assigning copies the settings, the framework keeps its own object.
  TD3DEnumeration& d3dEnumeration() { return *Fd3dEnumeration; }
  void Setd3dEnumeration(const TD3DEnumeration& Value);
  TD3DSettings& d3dSettings() { return *Fd3dSettings; }

  bool ShowCursorWhenFullscreen = false;
  bool ShowCursorWhenWindow = false;
  bool StartFullscreen = false;
  bool ClipCursorWhenFullscreen = true;
  // Caption of the framework's message boxes.
  std::string Caption;
  bool FrameMoving() const { return FFrameMoving; }
  void SetFrameMoving(bool Value);
  TWCursor& WCursor() { return *FWCursor; }
  // The window to present into; none means the owner form.
  TWinControl* OutputControl() const { return FOutputControl; }
  void SetOutputControl(TWinControl* Value);

  // Creates the platform object, enumerates and chooses the initial settings.
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  HRESULT Start();
  void Stop();
  HRESULT ToggleFullscreen();
  HRESULT HandleSizeChange();
  void Pause(bool Pause);
  RECT GetScreenRect() const;
  RECT GetBackBufferRect() const;

  // The scene's size against the back buffer's (the frame budget's scale; its frame cap is the
  // caller's to apply). When it gives a smaller scene, a render target of that size lives with
  // the device's default-pool objects (made at the first frame after a restore, released with
  // them); BeginSceneTarget sends drawing to it, EndSceneTarget
  // stretches it onto the back buffer with linear filtering, so that what is drawn afterwards
  // (the texts) has the back buffer's full resolution. Both are called outside
  // BeginScene/EndScene. Without a target (full size, or it could not be made) they do nothing.
  const TFrameBudget& SceneBudget() const { return FSceneBudget; }
  void SetSceneBudget(const TFrameBudget& Budget);
  // True when drawing now goes to the scene target.
  bool BeginSceneTarget();
  void EndSceneTarget();
  // The rectangle the scene is drawn in now: the scene target's, else the back buffer's.
  RECT GetSceneRect() const;
  // On Device, with no shared handle; E_FAIL with the buffer cleared when there is no device.
  HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, IDirect3DVertexBuffer9** Buffer,
                             D3DPOOL Pool, DWORD FVF);
  HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, IDirect3DIndexBuffer9** Buffer, D3DPOOL Pool,
                            D3DFORMAT Format);
  // Shows the text for Code once (nothing after a fatal message); a fatal one closes the
  // hooked window. Returns Code.
  HRESULT ShowError(HRESULT Code, TErrorKind Kind);
  // The text ShowError shows for Code ("\r\n" line breaks).
  static std::string ErrorText(HRESULT Code);

  // The application's idle hook of this framework; Done is set false while it renders.
  void IdleHandler(bool& Done);
  // The hooked window procedure.
  LRESULT WindowProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam);
  // The idle hook the process-wide chain selects now (empty when no framework renders); the
  // application object, when there is one, is given the same.
  static std::function<void(bool& Done)> SelectedIdleHook();

  TSomeEvent OnAfterStart;
  TSomeEvent OnAfterStop;
  TConfirmDeviceEvent OnConfirmDevice;
  TSomeResultEvent OnOneTimeSceneInit;
  TSomeResultEvent OnInitDeviceObjects;
  TSomeResultEvent OnRestoreDeviceObjects;
  TSomeResultEvent OnFrameMove;
  TRenderEvent OnRender;
  TSomeResultEvent OnInvalidateDeviceObjects;
  TSomeResultEvent OnDeleteDeviceObjects;
  TSomeEvent OnFinalCleanup;
  TSwitchedModeEvent OnSwitchedMode;

  // Configuration choice.
  bool ConfirmDeviceFilter(const D3DCAPS9& Caps, TVertexProcessingType vertexProcessingType,
                           D3DFORMAT adapterFormat, D3DFORMAT backBufferFormat);
  HRESULT ChooseInitialSettings();
  bool FindWindowedConfig(bool RequireHAL, bool RequireREF);
  bool FindFullscreenConfig(bool RequireHAL, bool RequireREF);
  void BuildPresentParams();

  // The frame clock (TWFrameClock::Timer), on the time source given at construction.
  double Timer(TimerCommand Command);
  virtual void AdjustWindowStyle();
  virtual void UpdateStats();

  // One frame: tests the device, moves, renders, presents. A frame comes at most
  // kMaxFrameStep seconds of application time after the one before, however long it took.
  HRESULT RenderEnvironment();
  static constexpr double kMaxFrameStep = 0.5;

  // ---- State others read; the framework alone writes it ----
  IDirect3D9* D3D() const { return FD3D.Get(); }
  IDirect3DDevice9* Device() const { return FDevice.Get(); }
  const D3DCAPS9& Caps() const { return FCaps; }
  const D3DPRESENT_PARAMETERS& PresentParams() const { return FPresentParams; }
  const D3DSURFACE_DESC& BackBufferDesc() const { return FBackBufferDesc; }
  const D3DVIEWPORT9& Viewport() const { return FViewport; }
  DWORD BehaviorFlags() const { return FBehaviorFlags; }
  const TDeviceState& DeviceState() const { return FState; }
  bool Started() const { return FState.Started; }
  bool Active() const { return FState.Active(); }
  bool Windowed() const { return FState.Windowed; }
  // The frame's application time and the time since the frame before, in seconds.
  float AppTime() const { return FAppTime; }
  float ElapsedTime() const { return FElapsedTime; }
  // Frames a second and its line with the back buffer's size and formats, once a second.
  float FPS() const { return FFPS; }
  const std::string& FrameStats() const { return FFrameStats; }
  // The device type, its vertex processing and the adapter.
  const std::string& DeviceStats() const { return FDeviceStats; }

  // ---- Outside Start and the frame loop: the device report, benchmarks and tests ----
  // The platform object to enumerate and choose on; Loaded makes its own.
  void SetD3D(Ref<IDirect3D9> Value) { FD3D = std::move(Value); }
  // Holds a device made elsewhere, with the parameters it was made with and the caps it
  // reports, as a started framework holds its own: no window is hooked, no frame loop runs and
  // the device objects' phases are the caller's to run. Again, it replaces device, parameters
  // and caps (a smaller window, a device without a capability).
  void AttachDevice(Ref<IDirect3DDevice9> Value, const D3DPRESENT_PARAMETERS& Params,
                    const D3DCAPS9& DeviceCaps);
  // Lets the attached device go: no device, not started.
  void DetachDevice();
  // The application time of a frame moved outside the frame loop (a snapshot's last frame, a
  // fixed time); the loop's next frame reads the clock again.
  void SetAppTime(float Seconds) { FAppTime = Seconds; }

 protected:
  // Where the device sits: the window handles and rectangles read at Start.
  LONG WindowStyle = 0;
  RECT WindowBounds{};
  RECT WindowClient{};
  RECT OutputClient{};
  HMENU SavedMenu = 0;
  HWND hDeviceWindow = 0;
  HWND hFocusWindow = 0;
  HWND hHookedWindow = 0;
  HWND hOutputWindow = 0;
  WindowProcedure PrevWindowProc;

 private:
  HRESULT InitEnvironment();
  void CleanupEnvironment();
  HRESULT ResetEnvironment();
  HRESULT InitDeviceObjects();
  HRESULT RestoreDeviceObjects();
  HRESULT InvalidateDeviceObjects();
  HRESULT DeleteDeviceObjects();
  // The window of the owner form, and of the output control (else the form).
  HWND FormWindow() const;
  HWND OutputWindow() const;
  // Windowed: back to WindowBounds; full screen: over the whole screen, topmost.
  void PlaceDeviceWindow();
  // After a create or reset: back-buffer description, device cursor and cursor clipping.
  void AfterDeviceReady();
  // Present, noting a lost device.
  void PresentFrame();

  struct TIdleNode;
  static TIdleNode* FIdleChain;
  static void SelectIdleHook();
  void SetIdleHandler(bool On);

  Ref<IDirect3D9> FD3D;
  Ref<IDirect3DDevice9> FDevice;
  D3DCAPS9 FCaps{};
  D3DPRESENT_PARAMETERS FPresentParams{};
  D3DSURFACE_DESC FBackBufferDesc{};
  D3DVIEWPORT9 FViewport{};
  DWORD FBehaviorFlags = 0;
  TDeviceState FState;

  // The scene target while the device's objects are restored, and the back buffer while
  // drawing goes to the target.
  Ref<IDirect3DSurface9> FSceneTarget;
  Ref<IDirect3DSurface9> FSceneBackBuffer;
  TFrameBudget FSceneBudget;
  UINT FSceneWidth = 0, FSceneHeight = 0;
  bool FSceneTargetTried = false;
  void CreateSceneTarget();
  void ReleaseSceneTarget();

  TWFrameClock FClock;
  bool FFrameMoving = true;
  float FAppTime = 0.0f;
  float FElapsedTime = 0.0f;
  // Frame statistics.
  int FFrameCount = 0;
  float FLastStatsTime = 0.0f;
  float FFPS = 0.0f;
  std::string FFrameStats;
  std::string FDeviceStats;

  std::unique_ptr<TD3DEnumeration> Fd3dEnumeration;
  std::unique_ptr<TWCursor> FWCursor;
  TWinControl* FOutputControl = nullptr;
  TIdleNode* FIdleNode = nullptr;
  std::unique_ptr<TD3DSettings> Fd3dSettings;
};
