#include "shell/saver/TScrnFrm.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"
#include "platform/window/TApplication.h"
#include "scene/Random.h"
#include "scene/TZelmarScene.h"
#include "shell/modes/Warnings.h"
#include "shell/realmaps/InstalledMaps.h"
#include "shell/saver/FormWindow.h"
#include "shell/saver/SaverInput.h"
#include "shell/saver/SaverWindow.h"
#include "shell/saver/TMonitorCover.h"
#include "shell/settings/Settings.h"

namespace zelmar {

namespace {

// The longest wait for the window system to show and activate the saver's window.
constexpr int kShowWaitMs = 3000;
// The frame cap on a display that does not say how often it refreshes.
constexpr double kUnknownRefreshRate = 60.0;

}  // namespace

std::int32_t TScrnFrm::SkipMessages = 0;

TScrnFrm::TScrnFrm(const TRun& Run, std::shared_ptr<TWTimeSource> Clock) : FRun(Run) {
  // Textures that cannot be used are said together once the renderer has loaded them all.
  HoldMediaProblems();
  // In a host's window: a child that takes no input, black at once while the renderer starts.
  // Else a dialog frame with a system menu, centred on the screen.
  FWindow = CreateFormWindow("ScrnFrm", Run.Width, Run.Height, false, Run.Host);
  // The saver's window has its full-screen shape before it is first shown.
  if (Run.Saver && !Run.Host) PrepareSaverWindow(FWindow);
  SetHandle(FWindow);
  FPrevProc = SubclassWindow(Handle(), [this](HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return WindowProc(hwnd, Msg, wParam, lParam);
  });

  WDirectX = new TW9DirectX(this, std::move(Clock));
  WDirectX->Caption = "Zelmar";
  WDirectX->ShowCursorWhenFullscreen = false;
  WDirectX->ShowCursorWhenWindow = false;
  WDirectX->StartFullscreen = false;
  WDirectX->ClipCursorWhenFullscreen = true;
  WDirectX->SetFrameMoving(true);
  TD3DEnumeration& Enumeration = WDirectX->d3dEnumeration();
  Enumeration.AppMinFullscreenWidth = 640;
  Enumeration.AppMinFullscreenHeight = 480;
  Enumeration.AppMinColorChannelBits = 5;
  Enumeration.AppMinAlphaChannelBits = 0;
  Enumeration.AppMinDepthBits = 15;
  Enumeration.AppMinStencilBits = 0;
  Enumeration.AppUsesDepthBuffer = true;
  Enumeration.AppUsesMixedVP = false;
  Enumeration.AppRequiresWindowed = false;
  Enumeration.AppRequiresFullscreen = false;
  // The device check runs while the form loads, before the scene exists; it needs none.
  WDirectX->OnConfirmDevice = &TZelmarScene::WDirectXConfirmDevice;

  WPool = new TWPool(this);
  WPool->PathTextures = "textures\\";
  WPool->PathXFiles = "xfiles\\";
  WPool->PathMaps = "maps\\";

  Loaded();
  if (FRun.Uncapped)
    WDirectX->d3dSettings().WindowedConfig.PresentInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  FormCreate();
  const TSomeResultEvent FrameMove = WDirectX->OnFrameMove;
  if (FrameMove)
    WDirectX->OnFrameMove = [this, FrameMove](TW9DirectX* Sender) {
      FStepCredit += StepsPerFrame;
      const double Steps = std::floor(FStepCredit);
      FStepCredit -= Steps;
      HRESULT Result = S_OK;
      for (int Step = 0; Step < static_cast<int>(Steps) && SUCCEEDED(Result); ++Step)
        Result = FrameMove(Sender);
      return Result;
    };
  if (FRun.TimerRuns) SetTimer(Handle(), kMoveTimer, 10);
}

TScrnFrm::~TScrnFrm() {
  FSeenWatch.reset();
  FSaverWindow.reset();
  if (Handle()) KillTimer(Handle(), kMoveTimer);
  // The hooks hold this form; the system-wide state goes back as the user had it.
  FormHide();
  if (FSaverRunning) FormClose();
  WDirectX->Stop();
  Scene.reset();
  // The framework's device lives on the window: components go before it.
  delete WPool;
  delete WDirectX;
  DestroyFormWindow(FWindow);
}

void TScrnFrm::FormCreate() {
  if (FRun.Seed)
    RandSeed(*FRun.Seed);
  else
    Randomize();
  SettingsProblem = GetSettings(Settings, WPool->PathTextures, FRun.Options);
  if (const std::string Speed = KeepMoveSpeedInRange(Settings); !Speed.empty())
    SettingsProblem += (SettingsProblem.empty() ? "" : "; ") + Speed;
  // Before the scene names its textures, so that every body finds its real map.
  Settings.RealSky = UseInstalledMaps(Settings.ShowConstellations);
  Scene = std::make_unique<TZelmarScene>(WDirectX, WPool, Settings);
  if (FRun.SkyView) Scene->Camera.HoldSkyView(FRun.SkyView->first, FRun.SkyView->second);
  Scene->ConnectEvents();
}

void TScrnFrm::Show() {
  FormShow();
  if (IsWindow(Handle()) && !FClosing && !IsWindowVisible(Handle())) ShowWindow(Handle(), SW_SHOW);
}

void TScrnFrm::Close() {
  if (FClosing) return;
  FClosing = true;
  // Out of sight before the device goes, so that nothing but the picture is ever seen.
  if (FRun.Saver) HideSaverWindow(Handle());
  FormCloseQuery();
  if (FSaverRunning) FormClose();
  ShowWindow(Handle(), SW_HIDE);
  FormHide();
  DestroyWindow(Handle());
}

double TScrnFrm::RefreshRate() const {
  // The display's own rate; without it (or with a nonsense value) 60.
  const double Rate = DisplayRefreshRate(FWindow);
  return Rate >= 1.0 && Rate <= kMaxFpsLimit ? Rate : kUnknownRefreshRate;
}

double TScrnFrm::FrameCap() const {
  if (FRun.Options.MaxFps) return *FRun.Options.MaxFps;
  if (FRun.Uncapped) return 0.0;
  double Cap = FRun.DefaultMaxFps > 0 ? FRun.DefaultMaxFps : RefreshRate();
  if (FBudget.MaxFps > 0) Cap = std::min(Cap, static_cast<double>(FBudget.MaxFps));
  return Cap;
}

void TScrnFrm::ChooseBudget() {
  // The saver and the hack mode run for hours unattended; other runs are measured or looked at
  // and keep the full picture unless asked.
  const bool Budgeted = FRun.Saver || FRun.Host;
  FBudget =
      Budgeted ? TFrameBudget::ForDevice(WDirectX->d3dSettings().DeviceType()) : TFrameBudget();
  if (FRun.Options.RenderScale) FBudget.OverrideScale(*FRun.Options.RenderScale);
  WDirectX->SetSceneBudget(FBudget);
}

// Said by the saver only: in a host's window stderr is the daemon's, which may show it on the
// screen, and the hack keeps it for trouble.
void TScrnFrm::SayBudget() {
  if (FBudgetSaid || !FRun.Saver || !WDirectX->Started()) return;
  FBudgetSaid = true;
  const UINT Width = WDirectX->PresentParams().BackBufferWidth;
  const UINT Height = WDirectX->PresentParams().BackBufferHeight;
  UINT SceneWidth = 0, SceneHeight = 0;
  FBudget.SceneSize(Width, Height, SceneWidth, SceneHeight);
  std::fprintf(stderr, "zelmar: frame budget: %s (%s; the scene %ux%u of %ux%u)\n",
               FBudget.Describe().c_str(), WDirectX->DeviceStats().c_str(), SceneWidth, SceneHeight,
               Width, Height);
}

void TScrnFrm::FormShow() {
  // Frames are paced by sleeping in the message loop: the driver's vsync is not there on every
  // display (software rendering, virtual machines), and a saver must not hold a core.
  if (!WDirectX->Started()) ChooseBudget();
  const double Cap = FrameCap();
  if (TApplication* App = TApplication::Instance()) App->SetIdlePace(Cap);
  // Stepped runs (snapshots) choose their frames themselves.
  if (FRun.TimerRuns && Cap > 0.0) StepsPerFrame = std::max(1.0, RefreshRate() / Cap);
  if (!WDirectX->Started()) {
    WDirectX->Start();
    if (FRun.Saver && WDirectX->Started()) WDirectX->ToggleFullscreen();
    SayBudget();
  }
  if (FRun.Saver && WDirectX->Started() && !FClosing) {
    WaitUntilShown();
    if (FClosing) return;
    if (!FMonitorCover) FMonitorCover = TMonitorCover::Create(Handle());
    SkipMessages = kSkippedMessages;
    GetCursorPos(&StartCursorPos);
    TickEnabled = true;
    if (TApplication* App = TApplication::Instance())
      App->SetOnMessage([this](MSG& Msg, bool& Handled) { DeactivateScrnSaver(Msg, Handled); });
    if (!FFilterArmed) ShowCursor(FALSE);
    FFilterArmed = true;
    if (!FSaverWindow)
      FSaverWindow = WatchSaverWindow(Handle(), {[this](bool Seen) { SeenChanged(Seen); },
                                                 [this] { return ActivationChanged(); }});
  }
  Scene->FormShow();
  SayMediaProblems();
  if (FRun.TimerRuns && !FRun.Uncapped && WDirectX->Started() && !FClosing) WatchSeen();
}

void TScrnFrm::WatchSeen() {
  if (FSeenWatch) return;
  std::string Problem;
  FSeenWatch = THostWindow::Open(FRun.Host ? FRun.Host : Handle(), Problem);
  // Without X11 the window is taken as always seen.
  if (!FSeenWatch) return;
  FSeenWatch->OnSeenChanged = [this](bool Seen) { SeenChanged(Seen); };
  if (!FSeenWatch->Seen()) SeenChanged(false);
}

void TScrnFrm::SeenChanged(bool Seen) {
  if (Seen == !FUnseen || FClosing || !WDirectX->Started()) return;
  FUnseen = !Seen;
  WDirectX->Pause(FUnseen);
  if (!FRun.TimerRuns) return;
  if (FUnseen)
    KillTimer(Handle(), kMoveTimer);
  else
    SetTimer(Handle(), kMoveTimer, 10);
}

// Windows has shown and activated the window by the time Start returns; the X server does so a
// little later. Until it has, the window's own activation and first paint would be taken for
// the user's input, so the saver waits for them (bounded: a window manager may refuse focus).
void TScrnFrm::WaitUntilShown() {
  zelmar::WaitUntilShown(Handle(), kShowWaitMs, true, [this] { return FClosing; });
}

void TScrnFrm::FormActivate() {
  // The first activation comes while the framework starts, before it installs its render hook;
  // a later one (after losing activation without input) must not displace that hook, or the
  // picture would freeze. So the idle hook is left to the framework.
  SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  BOOL Old = FALSE;
  SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 1, &Old, 0);
  FSaverRunning = true;
}

void TScrnFrm::DeactivateScrnSaver(MSG& Msg, bool& /*Handled*/) {
  if (SkipMessages > 0) {
    --SkipMessages;
    return;
  }
  if (FClosing || !EndsScrnSaver(Msg, StartCursorPos)) return;
  FEndingOnInput = true;
  WDirectX->ToggleFullscreen();
  Close();
}

bool TScrnFrm::ActivationChanged() {
  if (FClosing || FEndingOnInput) return true;
  if (!FFilterArmed || SkipMessages > 0) return false;
  // It comes in the middle of another window's activation: the saver closes once that is
  // done, through its own queue.
  FEndingOnInput = true;
  PostMessageA(Handle(), WM_CLOSE, 0, 0);
  return true;
}

void TScrnFrm::MoveTimerTimer() {
  Scene->MoveTimerTimer();
}

void TScrnFrm::FormCloseQuery() {
  FSeenWatch.reset();
  // Ahead of the framework's window procedure: it goes before the framework unhooks.
  FSaverWindow.reset();
  WDirectX->Stop();
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TScrnFrm::FormClose() {
  BOOL Old = FALSE;
  SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 0, &Old, 0);
  FSaverRunning = false;
  if (TApplication* App = TApplication::Instance()) App->SetOnIdle(nullptr);
  ReleaseCapture();
}

void TScrnFrm::FormHide() {
  if (!FFilterArmed) return;
  FFilterArmed = false;
  if (TApplication* App = TApplication::Instance()) App->SetOnMessage(nullptr);
  FMonitorCover.reset();
  TickEnabled = false;
  ShowCursor(TRUE);
}

void TScrnFrm::FormResize() {
  WDirectX->HandleSizeChange();
}

LRESULT TScrnFrm::WindowProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_TIMER:
      if (wParam == kMoveTimer) {
        MoveTimerTimer();
        return 0;
      }
      break;
    case WM_CLOSE:
      // Input and the user's close are wanted; anything else asking to close is the framework
      // giving up (a fatal error or a failed frame).
      if (!FEndingOnInput && !FUserClose) ClosedOnFailure = true;
      Close();
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) FUserClose = true;
      break;
    case WM_ACTIVATE:
      if (FRun.Saver && LOWORD(wParam) != WA_INACTIVE && !FClosing) FormActivate();
      break;
    case WM_SHOWWINDOW:
      if (!wParam) FormHide();
      break;
    case WM_SIZE:
      FormResize();
      break;
    default:
      break;
  }
  return CallWindowProcA(FPrevProc, hwnd, Msg, wParam, lParam);
}

}  // namespace zelmar
