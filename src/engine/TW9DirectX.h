// The device framework: owns the platform object and the render device, chooses the device
// configuration, builds the presentation parameters, keeps the frame clock and the frame
// statistics. Device life, the frame loop and window handling build on this class.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/TWTimeSource.h"
#include "engine/d3d/TD3DEnumeration.h"
#include "engine/d3d/TD3DSettings.h"

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

enum TimerCommand {
  tcInit = 0,
  tcReset = 1,
  tcStart = 2,
  tcStop = 3,
  tcAdvance = 4,
  tcGetAbsoluteTime = 5,
  tcGetAppTime = 6,
  tcGetElapsedTime = 7,
};

class TW9DirectX;

// Events hold the object and its method together; an unassigned one does nothing, and an
// unassigned one that returns a result counts as success.
using TSomeEvent = std::function<void(TW9DirectX* Sender)>;
using TSomeResultEvent = std::function<HRESULT(TW9DirectX* Sender)>;
using TConfirmDeviceEvent = std::function<HRESULT(
    const D3DCAPS9& Caps, DWORD Behavior, D3DFORMAT adapterFormat, D3DFORMAT backBufferFormat)>;
using TRenderEvent = std::function<HRESULT(TW9DirectX* Sender, bool& DefaultPresent)>;
using TSwitchedModeEvent = std::function<void(TW9DirectX* Sender, bool Windowed)>;

class TW9DirectX {
 public:
  // Without a time source the clock reads the C++ library's monotonic clock.
  explicit TW9DirectX(std::shared_ptr<TWTimeSource> TimeSource = nullptr);
  virtual ~TW9DirectX();
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
  bool FrameMoving() const { return FFrameMoving; }
  void SetFrameMoving(bool Value);
  bool Active() const { return FActive; }

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

  // Frame clock: seconds for tcGetAbsoluteTime, tcGetAppTime and tcGetElapsedTime, else 0.
  double Timer(TimerCommand Command);
  virtual void UpdateStats();

  // State other parts read.
  Ref<IDirect3D9> D3D;
  Ref<IDirect3DDevice9> Device;
  D3DCAPS9 Caps{};
  D3DPRESENT_PARAMETERS PresentParams{};
  D3DSURFACE_DESC BackBufferDesc{};
  D3DVIEWPORT9 Viewport{};
  float AppTime = 0.0f;
  float ElapsedTime = 0.0f;
  float FPS = 0.0f;
  std::string FrameStats;
  std::string DeviceStats;
  bool Windowed = true;
  bool Started = false;
  DWORD BehaviorFlags = 0;

 protected:
  int PauseCount = 0;
  bool FActive = false;
  bool DeviceLost = false;
  bool Minimized = false;
  bool Maximized = false;
  bool IgnoreSizeChange = false;
  bool ObjectsInited = false;
  bool ObjectsRestored = false;
  bool SingleStep = false;
  bool FatalErrorShown = false;

  LONG WindowStyle = 0;
  RECT WindowBounds{};
  RECT WindowClient{};
  RECT OutputClient{};
  HMENU SavedMenu = 0;
  HWND hDeviceWindow = 0;
  HWND hFocusWindow = 0;
  HWND hHookedWindow = 0;
  HWND hOutputWindow = 0;

  // Frame statistics.
  int FrameCount = 0;
  float LastStatsTime = 0.0f;

 private:
  struct TFrameClock {
    bool UsingQPF = false;
    bool Stopped = false;
    std::int64_t Frequency = 0;
    std::int64_t StopTime = 0;
    std::int64_t LastElapsedTime = 0;
    std::int64_t BaseTime = 0;
    double StopSeconds = 0.0;
    double LastElapsedSeconds = 0.0;
    double BaseSeconds = 0.0;
  };
  double TimerWithCounter(TimerCommand Command);
  double TimerWithTicks(TimerCommand Command);

  std::unique_ptr<TD3DEnumeration> Fd3dEnumeration;
  std::unique_ptr<TD3DSettings> Fd3dSettings;
  std::shared_ptr<TWTimeSource> FTimeSource;
  TFrameClock FClock;
  bool FFrameMoving = true;
};
