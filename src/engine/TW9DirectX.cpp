#include "engine/TW9DirectX.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/TWPool.h"
#include "engine/d3d/FormatFunctions.h"
#include "platform/window/TApplication.h"

// --- Idle chain --------------------------------------------------------------------------
// Every framework has a node in one process-wide chain; the application's idle hook runs the
// first node with a handler, and each handler passes the call on down the chain.

struct TW9DirectX::TIdleNode {
  TW9DirectX* Owner = nullptr;
  bool HasHandler = false;
  TIdleNode* Next = nullptr;
};

TW9DirectX::TIdleNode* TW9DirectX::FIdleChain = nullptr;

std::function<void(bool& Done)> TW9DirectX::SelectedIdleHook() {
  for (TIdleNode* node = FIdleChain; node; node = node->Next)
    if (node->HasHandler) return [dx = node->Owner](bool& Done) { dx->IdleHandler(Done); };
  return {};
}

void TW9DirectX::SelectIdleHook() {
  if (TApplication* app = TApplication::Instance()) app->SetOnIdle(SelectedIdleHook());
}

void TW9DirectX::SetIdleHandler(bool On) {
  FIdleNode->HasHandler = On;
  SelectIdleHook();
}

// --- Construction ------------------------------------------------------------------------

TW9DirectX::TW9DirectX(TComponent* AOwner, std::shared_ptr<TWTimeSource> TimeSource)
    : TComponent(AOwner),
      FClock(TimeSource ? std::move(TimeSource) : std::make_shared<TWSteadyTimeSource>()),
      Fd3dEnumeration(std::make_unique<TD3DEnumeration>()),
      FWCursor(std::make_unique<TWCursor>(this)),
      Fd3dSettings(std::make_unique<TD3DSettings>()) {
  FIdleNode = new TIdleNode{this, false, FIdleChain};
  FIdleChain = FIdleNode;
}

TW9DirectX::~TW9DirectX() {
  // Pools and others that follow this framework tear down while it is still whole.
  Destroying();
  // The window may outlive a framework that was never stopped: its messages must not reach
  // this object any more.
  if (PrevWindowProc && hHookedWindow) SubclassWindow(hHookedWindow, PrevWindowProc);
  for (TIdleNode** link = &FIdleChain; *link; link = &(*link)->Next) {
    if (*link == FIdleNode) {
      *link = FIdleNode->Next;
      break;
    }
  }
  delete FIdleNode;
  SelectIdleHook();
}

void TW9DirectX::Setd3dEnumeration(const TD3DEnumeration& Value) {
  Fd3dEnumeration->AssignSettings(Value);
}

void TW9DirectX::SetFrameMoving(bool Value) {
  if (Value == FFrameMoving) return;
  FFrameMoving = Value;
  Timer(Value ? tcStart : tcStop);
}

// --- Configuration choice ----------------------------------------------------------------

bool TW9DirectX::ConfirmDeviceFilter(const D3DCAPS9& Caps,
                                     TVertexProcessingType vertexProcessingType,
                                     D3DFORMAT adapterFormat, D3DFORMAT backBufferFormat) {
  DWORD behavior = 0;
  switch (vertexProcessingType) {
    case SOFTWARE_VP:
      behavior = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
      break;
    case MIXED_VP:
      behavior = D3DCREATE_MIXED_VERTEXPROCESSING;
      break;
    case HARDWARE_VP:
      behavior = D3DCREATE_HARDWARE_VERTEXPROCESSING;
      break;
    case PURE_HARDWARE_VP:
      behavior = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
      break;
  }
  if (!OnConfirmDevice) return true;
  return SUCCEEDED(OnConfirmDevice(Caps, behavior, adapterFormat, backBufferFormat));
}

HRESULT TW9DirectX::ChooseInitialSettings() {
  const bool foundFullscreen = FindFullscreenConfig(false, false);
  const bool foundWindowed = FindWindowedConfig(false, false);
  if (foundFullscreen && StartFullscreen) Fd3dSettings->Windowed = false;
  if (foundFullscreen && !foundWindowed) Fd3dSettings->Windowed = false;
  return foundFullscreen || foundWindowed ? S_OK : D3DAPPERR_NOCOMPATIBLEDEVICES;
}

namespace {

bool DeviceTypeAllowed(D3DDEVTYPE Type, bool RequireHAL, bool RequireREF) {
  if (RequireHAL && Type != D3DDEVTYPE_HAL) return false;
  if (RequireREF && Type != D3DDEVTYPE_REF) return false;
  return true;
}

// The default choice of a combination's list: its first entry. The enumeration never keeps a
// combination with an empty list it needs, but a hand-made record may have one.
template <typename T>
T First(const std::vector<T>& List) {
  return List.empty() ? T{} : List.front();
}

struct TBestChoice {
  const Td3dAdapterInfo* Adapter = nullptr;
  const Td3dDeviceInfo* Device = nullptr;
  const Td3dDeviceCombo* Combo = nullptr;
  D3DDISPLAYMODE Desktop{};
};

void StoreChoice(TD3DConfig& Config, const TBestChoice& Best, bool UsesDepthBuffer) {
  Config.AdapterInfo = *Best.Adapter;
  Config.DeviceInfo = *Best.Device;
  Config.DeviceCombo = *Best.Combo;
  if (UsesDepthBuffer) Config.DepthStencilFormat = First(Best.Combo->DepthStencilFormats);
  Config.MultiSampleType = First(Best.Combo->MultiSampleTypes);
  Config.MultiSampleQuality = 0;
  Config.VertexProcessingType = First(Best.Combo->VertexProcessingTypes);
}

}  // namespace

bool TW9DirectX::FindWindowedConfig(bool RequireHAL, bool RequireREF) {
  D3DDISPLAYMODE desktop{};
  if (!FD3D || FAILED(FD3D->GetAdapterDisplayMode(0, &desktop))) return false;

  TBestChoice best;
  // Returns as soon as a HAL combination renders in the desktop format itself.
  [&] {
    for (const Td3dAdapterInfo& adapter : Fd3dEnumeration->AdapterInfos) {
      for (const Td3dDeviceInfo& device : adapter.DeviceInfos) {
        if (!DeviceTypeAllowed(device.DeviceType, RequireHAL, RequireREF)) continue;
        for (const Td3dDeviceCombo& combo : device.DeviceCombos) {
          if (!combo.Windowed || combo.AdapterFormat != desktop.Format) continue;
          const bool hal = combo.DeviceType == D3DDEVTYPE_HAL;
          const bool matchesAdapter = combo.BackBufferFormat == combo.AdapterFormat;
          if (!best.Combo || (best.Combo->DeviceType != D3DDEVTYPE_HAL && hal) ||
              (hal && matchesAdapter)) {
            best = {&adapter, &device, &combo, desktop};
            if (hal && matchesAdapter) return;
          }
        }
      }
    }
  }();
  if (!best.Combo) return false;

  TD3DWindowedConfig& config = Fd3dSettings->WindowedConfig;
  StoreChoice(config, best, Fd3dEnumeration->AppUsesDepthBuffer);
  Fd3dSettings->Windowed = true;
  config.DisplayMode = desktop;
  config.WindowWidth = OutputClient.right - OutputClient.left;
  config.WindowHeight = OutputClient.bottom - OutputClient.top;
  config.PresentInterval = First(best.Combo->PresentIntervals);
  return true;
}

bool TW9DirectX::FindFullscreenConfig(bool RequireHAL, bool RequireREF) {
  if (!FD3D) return false;

  TBestChoice best;
  // Returns as soon as a HAL combination uses the desktop format for adapter and back buffer.
  [&] {
    for (const Td3dAdapterInfo& adapter : Fd3dEnumeration->AdapterInfos) {
      D3DDISPLAYMODE desktop{};
      // An adapter whose current mode cannot be read offers nothing to compare with.
      if (FAILED(FD3D->GetAdapterDisplayMode(adapter.AdapterOrdinal, &desktop))) continue;
      for (const Td3dDeviceInfo& device : adapter.DeviceInfos) {
        if (!DeviceTypeAllowed(device.DeviceType, RequireHAL, RequireREF)) continue;
        for (const Td3dDeviceCombo& combo : device.DeviceCombos) {
          if (combo.Windowed) continue;
          const bool hal = combo.DeviceType == D3DDEVTYPE_HAL;
          const bool matchesDesktop = combo.AdapterFormat == desktop.Format;
          const bool matchesAll = matchesDesktop && combo.AdapterFormat == combo.BackBufferFormat;
          if (!best.Combo || (best.Combo->DeviceType != D3DDEVTYPE_HAL && hal) ||
              (hal && best.Combo->AdapterFormat != desktop.Format && matchesDesktop) ||
              (hal && matchesAll)) {
            best = {&adapter, &device, &combo, desktop};
            if (hal && matchesAll) return;
          }
        }
      }
    }
  }();
  if (!best.Combo) return false;

  // The desktop's own mode when the list has it; else the last mode of the desktop's width;
  // else the first mode of the combination's adapter format.
  D3DDISPLAYMODE bestMode{};
  for (const D3DDISPLAYMODE& mode : best.Adapter->DisplayModes) {
    if (mode.Format != best.Combo->AdapterFormat) continue;
    if (mode.Width == best.Desktop.Width && mode.Height == best.Desktop.Height &&
        mode.RefreshRate == best.Desktop.RefreshRate) {
      bestMode = mode;
      break;
    }
    if (mode.Width == best.Desktop.Width || bestMode.Width == 0) bestMode = mode;
  }

  TD3DConfig& config = Fd3dSettings->FullscreenConfig;
  StoreChoice(config, best, Fd3dEnumeration->AppUsesDepthBuffer);
  Fd3dSettings->Windowed = false;
  config.DisplayMode = bestMode;
  config.PresentInterval = D3DPRESENT_INTERVAL_DEFAULT;
  return true;
}

void TW9DirectX::BuildPresentParams() {
  const TD3DSettings& settings = *Fd3dSettings;
  const bool usesDepth = Fd3dEnumeration->AppUsesDepthBuffer;
  D3DPRESENT_PARAMETERS& pp = FPresentParams;
  // The settings' mode, which the device is about to take.
  const bool windowed = settings.Windowed;
  if (windowed) {
    pp.BackBufferWidth = static_cast<UINT>(OutputClient.right - OutputClient.left);
    pp.BackBufferHeight = static_cast<UINT>(OutputClient.bottom - OutputClient.top);
  } else {
    pp.BackBufferWidth = settings.DisplayMode().Width;
    pp.BackBufferHeight = settings.DisplayMode().Height;
  }
  pp.BackBufferFormat = settings.DeviceCombo().BackBufferFormat;
  pp.BackBufferCount = 1;
  pp.MultiSampleType = settings.MultiSampleType();
  pp.MultiSampleQuality = settings.MultiSampleQuality();
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = hDeviceWindow;
  pp.Windowed = windowed ? TRUE : FALSE;
  pp.EnableAutoDepthStencil = usesDepth ? TRUE : FALSE;
  if (usesDepth) pp.AutoDepthStencilFormat = settings.DepthStencilFormat();
  pp.Flags = usesDepth ? D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL : 0;
  pp.FullScreen_RefreshRateInHz = windowed ? 0 : settings.DisplayMode().RefreshRate;
  pp.PresentationInterval = settings.PresentInterval();
}

// --- Frame statistics --------------------------------------------------------------------

void TW9DirectX::UpdateStats() {
  ++FFrameCount;
  const double now = Timer(tcGetAbsoluteTime);
  if (now - FLastStatsTime <= 1.0) return;

  FFPS = static_cast<float>(FFrameCount / (now - FLastStatsTime));
  FLastStatsTime = static_cast<float>(now);
  FFrameCount = 0;

  const TD3DSettings& settings = *Fd3dSettings;
  const D3DFORMAT modeFormat = settings.DisplayMode().Format;
  std::string colorText;
  if (modeFormat == FBackBufferDesc.Format) {
    colorText = FormatName(modeFormat, false);
  } else {
    colorText = "backbuf " + FormatName(FBackBufferDesc.Format, false) + ", adapter " +
                FormatName(modeFormat, false);
  }
  const std::string depthText =
      Fd3dEnumeration->AppUsesDepthBuffer ? FormatName(settings.DepthStencilFormat(), false) : "";
  std::string multiSampleText;
  const auto multiSample = static_cast<int>(settings.MultiSampleType());
  if (multiSample == 1) {
    multiSampleText = " (Nonmaskable Multisample)";
  } else if (multiSample >= 2 && multiSample <= 16) {
    multiSampleText = " (" + std::to_string(multiSample) + "x Multisample)";
  }

  char head[64];
  std::snprintf(head, sizeof head, "%.02f fps (%dx%d), ", static_cast<double>(FFPS),
                static_cast<int>(FBackBufferDesc.Width), static_cast<int>(FBackBufferDesc.Height));
  FFrameStats = head + colorText + depthText + multiSampleText;
}

// --- Frame clock -------------------------------------------------------------------------

double TW9DirectX::Timer(TimerCommand Command) {
  return FClock.Timer(Command);
}

// --- Loading and the owner ---------------------------------------------------------------

HWND TW9DirectX::FormWindow() const {
  auto* form = dynamic_cast<TWinControl*>(Owner());
  return form ? form->Handle() : 0;
}

HWND TW9DirectX::OutputWindow() const {
  return FOutputControl ? FOutputControl->Handle() : FormWindow();
}

void TW9DirectX::Loaded() {
  TComponent::Loaded();
  FD3D.Attach(Direct3DCreate9(D3D_SDK_VERSION));
  if (!FD3D) {
    ShowError(D3DAPPERR_NODIRECT3D, ekFatal);
    return;
  }
  Fd3dEnumeration->SetD3D(FD3D);
  Fd3dEnumeration->ConfirmDeviceCallback = [this](const D3DCAPS9& Caps, TVertexProcessingType Type,
                                                  D3DFORMAT AdapterFormat,
                                                  D3DFORMAT BackBufferFormat) {
    return ConfirmDeviceFilter(Caps, Type, AdapterFormat, BackBufferFormat);
  };
  HRESULT hr = Fd3dEnumeration->Enumerate();
  if (SUCCEEDED(hr)) hr = ChooseInitialSettings();
  if (FAILED(hr)) {
    FD3D = nullptr;
    ShowError(hr, ekFatal);
  }
}

void TW9DirectX::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent && AComponent == FOutputControl)
    FOutputControl = nullptr;
}

void TW9DirectX::SetOutputControl(TWinControl* Value) {
  if (Value == FOutputControl) return;
  if (FOutputControl) FOutputControl->RemoveFreeNotification(this);
  FOutputControl = Value;
  if (FOutputControl) FOutputControl->FreeNotification(this);
  if (FState.Started) {
    Stop();
    Start();
  }
}

// --- Start and stop ----------------------------------------------------------------------

HRESULT TW9DirectX::Start() {
  if (FState.Started) return S_OK;
  hDeviceWindow = hFocusWindow = hHookedWindow = FormWindow();
  hOutputWindow = OutputWindow();

  HRESULT hr = D3DAPPERR_NODIRECT3D;
  if (FD3D) {
    WindowStyle = GetWindowLongA(hDeviceWindow, GWL_STYLE);
    GetWindowRect(hDeviceWindow, &WindowBounds);
    GetClientRect(hDeviceWindow, &WindowClient);
    GetClientRect(hOutputWindow, &OutputClient);
    Timer(tcInit);
    Timer(tcReset);
    Timer(tcStart);
    hr = OnOneTimeSceneInit ? OnOneTimeSceneInit(this) : S_OK;
    if (SUCCEEDED(hr)) hr = InitEnvironment();
  }
  if (FAILED(hr)) {
    FD3D = nullptr;
    return ShowError(hr, ekFatal);
  }

  Pause(false);
  FState.PauseCount = 0;
  FFPS = 0.0f;
  FFrameCount = 0;
  FLastStatsTime = 0.0f;
  FFrameStats.clear();
  // A window minimised before an earlier Stop must not release a pause this start never took.
  FState.Show = TWindowShow::Normal;
  SetIdleHandler(true);
  PrevWindowProc =
      SubclassWindow(hHookedWindow, [this](HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
        return WindowProc(hwnd, Msg, wParam, lParam);
      });
  FState.Started = true;

  hr = FWCursor->Load();
  if (FAILED(hr)) return hr;
  if (OnAfterStart) OnAfterStart(this);
  if (OnFrameMove) OnFrameMove(this);
  return S_OK;
}

void TW9DirectX::Stop() {
  if (!FState.Started) return;
  SetIdleHandler(false);
  if (PrevWindowProc) SubclassWindow(hHookedWindow, PrevWindowProc);
  PrevWindowProc = nullptr;
  CleanupEnvironment();
  if (OnFinalCleanup) OnFinalCleanup(this);
  AdjustWindowStyle();
  if (!FState.Windowed) {
    FState.Windowed = true;
    Fd3dSettings->Windowed = true;
    AdjustWindowStyle();
    PlaceDeviceWindow();
  }
  FState.Started = false;
  if (OnSwitchedMode) OnSwitchedMode(this, FState.Windowed);
  if (OnAfterStop) OnAfterStop(this);
}

// --- Device life -------------------------------------------------------------------------

void TW9DirectX::AttachDevice(Ref<IDirect3DDevice9> Value, const D3DPRESENT_PARAMETERS& Params,
                              const D3DCAPS9& DeviceCaps) {
  FDevice = std::move(Value);
  FPresentParams = Params;
  FCaps = DeviceCaps;
  // The back buffer the parameters ask for.
  FBackBufferDesc = D3DSURFACE_DESC{};
  FBackBufferDesc.Format = Params.BackBufferFormat;
  FBackBufferDesc.Type = D3DRTYPE_SURFACE;
  FBackBufferDesc.Usage = D3DUSAGE_RENDERTARGET;
  FBackBufferDesc.Pool = D3DPOOL_DEFAULT;
  FBackBufferDesc.MultiSampleType = Params.MultiSampleType;
  FBackBufferDesc.MultiSampleQuality = Params.MultiSampleQuality;
  FBackBufferDesc.Width = Params.BackBufferWidth;
  FBackBufferDesc.Height = Params.BackBufferHeight;
  FState.Stage = FDevice ? TDeviceStage::Created : TDeviceStage::None;
  FState.Started = true;
}

void TW9DirectX::DetachDevice() {
  FDevice = nullptr;
  FState.Stage = TDeviceStage::None;
  FState.Started = false;
}

void TW9DirectX::PlaceDeviceWindow() {
  if (FState.Windowed) {
    SetWindowPos(hDeviceWindow, HWND_NOTOPMOST, WindowBounds.left, WindowBounds.top,
                 WindowBounds.right - WindowBounds.left, WindowBounds.bottom - WindowBounds.top,
                 SWP_SHOWWINDOW);
  } else {
    // A full-screen device owns the whole screen; the render platform here draws into the
    // window it is given, so the window is made to cover the screen as the device would.
    const RECT screen = GetScreenRect();
    SetWindowPos(hDeviceWindow, HWND_TOPMOST, screen.left, screen.top, screen.right - screen.left,
                 screen.bottom - screen.top, SWP_SHOWWINDOW);
  }
}

void TW9DirectX::AfterDeviceReady() {
  Ref<IDirect3DSurface9> backBuffer;
  if (SUCCEEDED(FDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)) && backBuffer)
    backBuffer->GetDesc(&FBackBufferDesc);
  if ((ShowCursorWhenFullscreen && !FState.Windowed) || (ShowCursorWhenWindow && FState.Windowed))
    FDevice->ShowCursor(TRUE);
  if (ClipCursorWhenFullscreen) {
    if (FState.Windowed) {
      ClipCursor(nullptr);
    } else {
      RECT r{};
      GetWindowRect(hDeviceWindow, &r);
      ClipCursor(&r);
    }
  }
}

HRESULT TW9DirectX::InitEnvironment() {
  const TD3DSettings& settings = *Fd3dSettings;
  FState.Windowed = settings.Windowed;
  AdjustWindowStyle();
  BuildPresentParams();

  if (settings.DeviceInfo().Caps.PrimitiveMiscCaps & D3DPMISCCAPS_NULLREFERENCE)
    ShowError(D3DAPPERR_NULLREFDEVICE, ekNone);

  DWORD flags = 0;
  switch (settings.VertexProcessingType()) {
    case SOFTWARE_VP:
      flags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
      break;
    case MIXED_VP:
      flags = D3DCREATE_MIXED_VERTEXPROCESSING;
      break;
    case HARDWARE_VP:
      flags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
      break;
    case PURE_HARDWARE_VP:
      flags = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
      break;
  }

  FDevice = nullptr;
  HRESULT hr = FD3D->CreateDevice(settings.AdapterOrdinal(), settings.DeviceType(), hFocusWindow,
                                  flags, &FPresentParams, &FDevice);
  if (SUCCEEDED(hr) && FDevice) {
    FState.Stage = TDeviceStage::Created;
    PlaceDeviceWindow();
    FDevice->GetDeviceCaps(&FCaps);
    FBehaviorFlags = flags;

    const D3DDEVTYPE type = settings.DeviceType();
    const bool hal = type == D3DDEVTYPE_HAL;
    FDeviceStats = type == D3DDEVTYPE_REF ? "REF" : hal ? "HAL" : type == D3DDEVTYPE_SW ? "SW" : "";
    if ((flags & D3DCREATE_HARDWARE_VERTEXPROCESSING) && (flags & D3DCREATE_PUREDEVICE))
      FDeviceStats += hal ? " (pure hw vp)" : " (simulated pure hw vp)";
    else if (flags & D3DCREATE_HARDWARE_VERTEXPROCESSING)
      FDeviceStats += hal ? " (hw vp)" : " (simulated hw vp)";
    else if (flags & D3DCREATE_MIXED_VERTEXPROCESSING)
      FDeviceStats += hal ? " (mixed vp)" : " (simulated mixed vp)";
    else if (flags & D3DCREATE_SOFTWARE_VERTEXPROCESSING)
      FDeviceStats += " (sw vp)";
    if (hal) {
      const char* description = settings.AdapterInfo().AdapterIdentifier.Description;
      FDeviceStats += ": " + std::string(description, strnlen(description, 512));
    }

    AfterDeviceReady();
    hr = InitDeviceObjects();
    if (FAILED(hr)) {
      DeleteDeviceObjects();
    } else {
      FState.Stage = TDeviceStage::Inited;
      hr = RestoreDeviceObjects();
      if (FAILED(hr)) {
        InvalidateDeviceObjects();
      } else {
        FState.Stage = TDeviceStage::Restored;
        if (OnSwitchedMode) OnSwitchedMode(this, FState.Windowed);
        return S_OK;
      }
    }
    CleanupEnvironment();
  }

  if (hr != D3DAPPERR_MEDIANOTFOUND && settings.DeviceType() == D3DDEVTYPE_HAL &&
      FindWindowedConfig(false, true)) {
    FState.Windowed = true;
    AdjustWindowStyle();
    PlaceDeviceWindow();
    ShowError(hr, ekSwitchedToRef);
    return InitEnvironment();
  }
  return hr;
}

void TW9DirectX::CleanupEnvironment() {
  if (!FDevice) return;
  if (FState.Stage == TDeviceStage::Restored) {
    FState.Stage = TDeviceStage::Inited;
    InvalidateDeviceObjects();
  }
  if (FState.Stage == TDeviceStage::Inited) {
    FState.Stage = TDeviceStage::Created;
    DeleteDeviceObjects();
  }
  FDevice = nullptr;
  FState.Stage = TDeviceStage::None;
}

HRESULT TW9DirectX::ResetEnvironment() {
  if (FState.Stage == TDeviceStage::Restored) {
    FState.Stage = TDeviceStage::Inited;
    InvalidateDeviceObjects();
  }
  HRESULT hr = FDevice->Reset(&FPresentParams);
  if (FAILED(hr)) return hr;
  AfterDeviceReady();
  hr = RestoreDeviceObjects();
  if (FAILED(hr)) {
    InvalidateDeviceObjects();
    return hr;
  }
  FState.Stage = TDeviceStage::Restored;
  if (!FFrameMoving) {
    // The paused scene is drawn once more with its time unchanged.
    FState.SingleStep = true;
    Timer(tcStart);
    Timer(tcStop);
  }
  if (OnSwitchedMode) OnSwitchedMode(this, FState.Windowed);
  return S_OK;
}

// --- Device-object phases: every pool on the form first, then the form's event ------------

namespace {

std::vector<TWPool*> PoolsOf(const TComponent* Owner) {
  return Owner ? Owner->ComponentsOf<TWPool>() : std::vector<TWPool*>{};
}

HRESULT Fire(const TSomeResultEvent& Event, TW9DirectX* Sender) {
  return Event ? Event(Sender) : S_OK;
}

}  // namespace

HRESULT TW9DirectX::InitDeviceObjects() {
  HRESULT hr = FWCursor->Load();
  if (FAILED(hr)) return hr;
  for (TWPool* pool : PoolsOf(Owner())) pool->InitDeviceObjects();
  return Fire(OnInitDeviceObjects, this);
}

HRESULT TW9DirectX::RestoreDeviceObjects() {
  FDevice->GetViewport(&FViewport);
  HRESULT hr = FWCursor->Load();
  if (FAILED(hr)) return hr;
  for (TWPool* pool : PoolsOf(Owner())) pool->RestoreDeviceObjects();
  return Fire(OnRestoreDeviceObjects, this);
}

HRESULT TW9DirectX::InvalidateDeviceObjects() {
  ReleaseSceneTarget();
  for (TWPool* pool : PoolsOf(Owner())) pool->InvalidateDeviceObjects();
  return Fire(OnInvalidateDeviceObjects, this);
}

HRESULT TW9DirectX::DeleteDeviceObjects() {
  for (TWPool* pool : PoolsOf(Owner())) pool->DeleteDeviceObjects();
  return Fire(OnDeleteDeviceObjects, this);
}

// --- Frame loop --------------------------------------------------------------------------

HRESULT TW9DirectX::RenderEnvironment() {
  if (!FDevice) return E_FAIL;
  if (FState.Lost) {
    const HRESULT r = FDevice->TestCooperativeLevel();
    if (FAILED(r)) {
      if (r == D3DERR_DEVICELOST) return S_OK;
      if (r != D3DERR_DEVICENOTRESET) return r;
      if (FState.Windowed) {
        D3DDISPLAYMODE mode{};
        FD3D->GetAdapterDisplayMode(Fd3dSettings->AdapterOrdinal(), &mode);
        Fd3dSettings->WindowedConfig.DisplayMode = mode;
        FPresentParams.BackBufferFormat = mode.Format;
      }
      // Draws nothing: the device stays lost, and the next pass finds the device usable. A
      // device lost again before its reset is waited for like any lost device.
      const HRESULT hr = ResetEnvironment();
      return hr == D3DERR_DEVICELOST ? S_OK : hr;
    }
    FState.Lost = false;
  }

  double t = Timer(tcGetAppTime);
  double e = Timer(tcGetElapsedTime);
  if (e == 0.0 && FFrameMoving) return S_OK;
  // A process that was stopped (SIGSTOP, a suspended machine) must not find its scene minutes
  // further on: time beyond one long frame is left out of the application's time.
  if (e > kMaxFrameStep) {
    FClock.SkipAppTime(e - kMaxFrameStep);
    t -= e - kMaxFrameStep;
    e = kMaxFrameStep;
  }

  if (FFrameMoving || FState.SingleStep) {
    FAppTime = static_cast<float>(t);
    FElapsedTime = static_cast<float>(e);
    const HRESULT hr = Fire(OnFrameMove, this);
    if (FAILED(hr)) return hr;
    FState.SingleStep = false;
    if (!FDevice) return S_OK;
  }

  bool defaultPresent = true;
  const HRESULT hr = OnRender ? OnRender(this, defaultPresent) : S_OK;
  if (FAILED(hr)) return hr;
  UpdateStats();
  if (defaultPresent) PresentFrame();
  return S_OK;
}

void TW9DirectX::PresentFrame() {
  // A handler may have stopped the framework (closing the window), which released the device.
  if (FDevice && FDevice->Present(nullptr, nullptr, hOutputWindow, nullptr) == D3DERR_DEVICELOST)
    FState.Lost = true;
}

void TW9DirectX::IdleHandler(bool& Done) {
  if (FState.Active()) {
    // A lost device is tested ten times a second instead of spinning.
    if (FState.Lost) Sleep(100);
    if (FAILED(RenderEnvironment())) SendMessageA(hHookedWindow, WM_CLOSE, 0, 0);
    Done = false;
  }
  for (TIdleNode* node = FIdleNode->Next; node; node = node->Next) {
    if (node->HasHandler) {
      node->Owner->IdleHandler(Done);
      break;
    }
  }
}

void TW9DirectX::Pause(bool P) {
  FState.PauseCount += P ? 1 : -1;
  if (P && FState.PauseCount == 1 && FFrameMoving) Timer(tcStop);
  if (FState.PauseCount == 0 && FFrameMoving) Timer(tcStart);
}

// --- Window --------------------------------------------------------------------------------

LRESULT TW9DirectX::WindowProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  // A copy: the procedure chained to may stop the framework (on WM_CLOSE), which unhooks the
  // window and drops PrevWindowProc while it runs.
  auto previous = [&] {
    const WindowProcedure prev = PrevWindowProc;
    return prev ? CallWindowProcA(prev, hwnd, Msg, wParam, lParam)
                : DefWindowProcA(hwnd, Msg, wParam, lParam);
  };
  if (!FDevice) return previous();

  switch (Msg) {
    case WM_SIZE:
      if (FState.Windowed) WindowStyle = GetWindowLongA(hwnd, GWL_STYLE);
      if (wParam == SIZE_MINIMIZED) {
        if (ClipCursorWhenFullscreen && !FState.Windowed) ClipCursor(nullptr);
        // One pause for the whole time minimised: the window layer reports a minimised
        // window again when its size changes, and the one restore releases only one pause.
        if (FState.Show != TWindowShow::Minimized) Pause(true);
        FState.Show = TWindowShow::Minimized;
      } else if (wParam == SIZE_MAXIMIZED) {
        if (FState.Show == TWindowShow::Minimized) Pause(false);
        FState.Show = TWindowShow::Maximized;
        HandleSizeChange();
      } else if (wParam == SIZE_RESTORED) {
        if (FState.Show == TWindowShow::Maximized) {
          FState.Show = TWindowShow::Normal;
          HandleSizeChange();
        } else if (FState.Show == TWindowShow::Minimized) {
          Pause(false);
          FState.Show = TWindowShow::Normal;
          HandleSizeChange();
        }
      }
      break;
    case WM_PAINT:
      if (FState.Started && !FState.Active() && FState.Windowed && FState.ObjectsRestored()) {
        bool defaultPresent = true;
        if (OnRender) OnRender(this, defaultPresent);
        if (defaultPresent) PresentFrame();
      }
      break;
    case WM_SETCURSOR:
      if (FState.Active()) {
        if (FState.Windowed) {
          if (ShowCursorWhenWindow) {
            FDevice->ShowCursor(TRUE);
            return TRUE;
          }
        } else {
          SetCursor(0);
          if (ShowCursorWhenFullscreen) FDevice->ShowCursor(TRUE);
          return TRUE;
        }
      }
      break;
    case WM_NCHITTEST:
      if (!FState.Windowed) return HTCLIENT;
      break;
    case WM_SYSCOMMAND:
      // The low four bits of the command are the system's own.
      switch (wParam & 0xFFF0) {
        case SC_SIZE:
        case SC_MOVE:
        case SC_MAXIMIZE:
        case SC_KEYMENU:
        case SC_MONITORPOWER:
          if (!FState.Windowed) return 1;
          break;
      }
      break;
    case WM_MOUSEMOVE:
      if (FState.Active()) {
        POINT p{};
        GetCursorPos(&p);
        if (!FState.Windowed) ScreenToClient(hDeviceWindow, &p);
        FDevice->SetCursorPosition(p.x, p.y, 0);
      }
      break;
    case WM_ENTERMENULOOP:
    case WM_ENTERSIZEMOVE:
      Pause(true);
      break;
    case WM_EXITMENULOOP:
      Pause(false);
      break;
    case WM_EXITSIZEMOVE:
      Pause(false);
      HandleSizeChange();
      break;
  }
  return previous();
}

HRESULT TW9DirectX::HandleSizeChange() {
  if (!FPresentParams.Windowed || FState.IgnoreSizeChange) return S_OK;
  const RECT old = OutputClient;
  GetWindowRect(hDeviceWindow, &WindowBounds);
  GetClientRect(hDeviceWindow, &WindowClient);
  GetClientRect(hOutputWindow, &OutputClient);
  if (OutputClient.right - OutputClient.left == old.right - old.left &&
      OutputClient.bottom - OutputClient.top == old.bottom - old.top)
    return S_OK;

  Pause(true);
  FPresentParams.BackBufferWidth = static_cast<UINT>(OutputClient.right - OutputClient.left);
  FPresentParams.BackBufferHeight = static_cast<UINT>(OutputClient.bottom - OutputClient.top);
  HRESULT hr = S_OK;
  if (FDevice) {
    hr = ResetEnvironment();
    if (FAILED(hr)) {
      if (hr != D3DERR_OUTOFVIDEOMEMORY) hr = D3DAPPERR_RESETFAILED;
      ShowError(hr, ekFatal);
    }
  }
  Pause(false);
  return hr;
}

HRESULT TW9DirectX::ToggleFullscreen() {
  if (!FState.Started) {
    Fd3dSettings->Windowed = !Fd3dSettings->Windowed;
    return S_OK;
  }
  const UINT ordinal = Fd3dSettings->AdapterOrdinal();
  const D3DDEVTYPE type = Fd3dSettings->DeviceType();
  Pause(true);
  FState.IgnoreSizeChange = true;
  FState.Windowed = !FState.Windowed;
  Fd3dSettings->Windowed = FState.Windowed;
  AdjustWindowStyle();

  HRESULT hr;
  if (Fd3dSettings->AdapterOrdinal() == ordinal && Fd3dSettings->DeviceType() == type) {
    BuildPresentParams();
    hr = ResetEnvironment();
    if (SUCCEEDED(hr) && !FState.Windowed) PlaceDeviceWindow();
  } else {
    CleanupEnvironment();
    hr = InitEnvironment();
  }

  FState.IgnoreSizeChange = false;
  if (SUCCEEDED(hr)) {
    if (FState.Windowed) PlaceDeviceWindow();
    Pause(false);
    return S_OK;
  }
  if (!FState.Windowed) {
    FState.Windowed = true;
    Fd3dSettings->Windowed = true;
    AdjustWindowStyle();
    PlaceDeviceWindow();
  }
  // The pause taken above stays: the window closes after this message.
  return ShowError(hr == D3DERR_OUTOFVIDEOMEMORY ? hr : D3DAPPERR_RESETFAILED, ekFatal);
}

void TW9DirectX::AdjustWindowStyle() {
  if (FState.Windowed) {
    SetWindowLongA(hDeviceWindow, GWL_STYLE, WindowStyle);
    if (SavedMenu) {
      SetMenu(hDeviceWindow, SavedMenu);
      SavedMenu = 0;
    }
  } else {
    SetWindowLongA(hDeviceWindow, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_VISIBLE | WS_SYSMENU));
    if (!SavedMenu) {
      SavedMenu = GetMenu(hDeviceWindow);
      SetMenu(hDeviceWindow, 0);
    }
  }
}

RECT TW9DirectX::GetScreenRect() const {
  const D3DDISPLAYMODE& mode = Fd3dSettings->DisplayMode();
  return RECT{0, 0, static_cast<LONG>(mode.Width), static_cast<LONG>(mode.Height)};
}

RECT TW9DirectX::GetBackBufferRect() const {
  return RECT{0, 0, static_cast<LONG>(FPresentParams.BackBufferWidth),
              static_cast<LONG>(FPresentParams.BackBufferHeight)};
}

// --- Scene target ------------------------------------------------------------------------

void TW9DirectX::SetSceneBudget(const TFrameBudget& Budget) {
  FSceneBudget = Budget;
  ReleaseSceneTarget();
}

// Made at the first frame after each restore (frames come only while the device's objects are
// restored), so the target always has the size of the back buffer of the moment.
void TW9DirectX::CreateSceneTarget() {
  FSceneTargetTried = true;
  const UINT Width = FPresentParams.BackBufferWidth, Height = FPresentParams.BackBufferHeight;
  // A multisampled back buffer cannot take a stretched copy; it keeps the full-size scene.
  if (!FDevice || !FSceneBudget.Reduces(Width, Height) ||
      FPresentParams.MultiSampleType != D3DMULTISAMPLE_NONE)
    return;
  UINT W = 0, H = 0;
  FSceneBudget.SceneSize(Width, Height, W, H);
  // Without the target the scene is drawn at full size: dearer, never wrong.
  if (FAILED(FDevice->CreateRenderTarget(W, H, FPresentParams.BackBufferFormat, D3DMULTISAMPLE_NONE,
                                         0, FALSE, &FSceneTarget, nullptr)))
    FSceneTarget = nullptr;
  if (FSceneTarget) FSceneWidth = W, FSceneHeight = H;
}

void TW9DirectX::ReleaseSceneTarget() {
  FSceneBackBuffer = nullptr;
  FSceneTarget = nullptr;
  FSceneWidth = FSceneHeight = 0;
  FSceneTargetTried = false;
}

bool TW9DirectX::BeginSceneTarget() {
  if (!FDevice) return false;
  if (!FSceneTargetTried) CreateSceneTarget();
  if (!FSceneTarget) return false;
  if (FAILED(FDevice->GetRenderTarget(0, &FSceneBackBuffer)) ||
      FAILED(FDevice->SetRenderTarget(0, FSceneTarget.Get()))) {
    FSceneBackBuffer = nullptr;
    return false;
  }
  return true;
}

void TW9DirectX::EndSceneTarget() {
  if (!FDevice || !FSceneBackBuffer) return;
  FDevice->SetRenderTarget(0, FSceneBackBuffer.Get());
  const bool Linear = (FCaps.StretchRectFilterCaps & D3DPTFILTERCAPS_MINFLINEAR) &&
                      (FCaps.StretchRectFilterCaps & D3DPTFILTERCAPS_MAGFLINEAR);
  FDevice->StretchRect(FSceneTarget.Get(), nullptr, FSceneBackBuffer.Get(), nullptr,
                       Linear ? D3DTEXF_LINEAR : D3DTEXF_NONE);
  // Held, the back buffer would keep the next Reset from proceeding.
  FSceneBackBuffer = nullptr;
}

RECT TW9DirectX::GetSceneRect() const {
  if (FSceneBackBuffer)
    return RECT{0, 0, static_cast<LONG>(FSceneWidth), static_cast<LONG>(FSceneHeight)};
  return GetBackBufferRect();
}

HRESULT TW9DirectX::CreateVertexBuffer(UINT Length, DWORD Usage, IDirect3DVertexBuffer9** Buffer,
                                       D3DPOOL Pool, DWORD FVF) {
  if (!FDevice) {
    if (Buffer) *Buffer = nullptr;
    return E_FAIL;
  }
  return FDevice->CreateVertexBuffer(Length, Usage, FVF, Pool, Buffer, nullptr);
}

HRESULT TW9DirectX::CreateIndexBuffer(UINT Length, DWORD Usage, IDirect3DIndexBuffer9** Buffer,
                                      D3DPOOL Pool, D3DFORMAT Format) {
  if (!FDevice) {
    if (Buffer) *Buffer = nullptr;
    return E_FAIL;
  }
  return FDevice->CreateIndexBuffer(Length, Usage, Format, Pool, Buffer, nullptr);
}

// --- Messages ------------------------------------------------------------------------------

std::string TW9DirectX::ErrorText(HRESULT Code) {
  switch (static_cast<std::uint32_t>(Code)) {
    case 0x82000001u:
      return "Could not initialize Direct3D. You may\r\nwant to check that the latest version "
             "of\r\n"
             "DirectX is correctly installed on your\r\nsystem.  Also make sure that this "
             "program\r\n"
             "was compiled with header files that match\r\nthe installed DirectX DLLs.";
    case 0x82000003u:
      return "Could not find any compatible Direct3D\r\ndevices.";
    case 0x82000004u:
      return "This sample cannot run in a desktop\r\nwindow with the current display settings.\r\n"
             "Please change your desktop settings to a\r\n16- or 32-bit display mode and re-run "
             "thi\r\nsample.";
    case 0x82000005u:
      return "No hardware-accelerated Direct3D devices\r\nwere found.";
    case 0x82000006u:
      return "This sample requires functionality that is\r\nnot available on your Direct3D "
             "hardware\r\naccelerator.";
    case 0x82000007u:
      return "Your Direct3D hardware accelerator cannot\r\nrender into a window.\r\nPress F2 while "
             "the app is running to see a\r\nlist of available devices and modes.";
    case 0x82000008u:
      return "Your Direct3D hardware accelerator cannot\r\nrender into a window with the "
             "current\r\n"
             "desktop display settings.\r\nPress F2 while the app is running to see a\r\nlist of "
             "available devices and modes.";
    case 0x82000009u:
      return "This sample requires functionality that is\r\nnot available on your Direct3D "
             "hardware\r\naccelerator with the current desktop display\r\nsettings.\r\nPress F2 "
             "while the app is running to see a\r\nlist of available devices and modes.";
    case 0x8200000Au:
      return "A FD3D object has a non-zero reference\r\ncount (meaning things were not properly\r\n"
             "cleaned up).";
    case 0x8200000Bu:
    case 2u:
      return "Could not load required media.";
    case 0x8200000Cu:
      return "Could not reset the Direct3D device.";
    case 0x8200000Du:
      return "Warning: Nothing will be rendered.\r\nThe reference rendering device was selected, "
             "but your\r\ncomputer only has a reduced-functionality reference device\r\n"
             "installed.  Install the DirectX SDK to get the full\r\nreference device.";
    case 0x8007000Eu:
      return "Not enough memory.";
    case 0x8876017Cu:
      return "Not enough video memory.";
    case 0x88760827u:
      return "A serious problem occured inside the display driver.";
    default:
      return "Generic application error. Enable\r\ndebug output for detailed information.";
  }
}

HRESULT TW9DirectX::ShowError(HRESULT Code, TErrorKind Kind) {
  if (FState.FatalErrorShown) return Code;
  std::string text = ErrorText(Code);
  if (Kind == ekFatal || Code == D3DERR_DRIVERINTERNALERROR) {
    FState.FatalErrorShown = true;
    MessageBoxA(hHookedWindow, text.c_str(), Caption.c_str(), MB_ICONERROR | MB_OK);
    if (hHookedWindow) SendMessageA(hHookedWindow, WM_CLOSE, 0, 0);
  } else {
    if (Kind == ekSwitchedToRef)
      text +=
          "\r\n\r\nSwitching to the reference rasterizer,\r\n"
          "a software device that implements the entire\r\n"
          "Direct3D feature set, but runs very slowly.";
    MessageBoxA(hHookedWindow, text.c_str(), Caption.c_str(), MB_ICONWARNING | MB_OK);
  }
  return Code;
}
