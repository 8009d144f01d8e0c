#include "shell/TScrnFrm.h"

#include <QGuiApplication>
#include <QScreen>

#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"
#include "platform/window/TWindow.h"
#include "scene/Random.h"
#include "scene/TZelmarScene.h"
#include "shell/Settings.h"

namespace zelmar {

TScrnFrm::TScrnFrm(const TRun& Run, std::shared_ptr<TWTimeSource> Clock) : FRun(Run) {
  // A dialog frame with a system menu, centred on the screen.
  FWindow = std::make_unique<TWindow>(WS_CAPTION | WS_SYSMENU);
  FWindow->setTitle("ScrnFrm");
  FWindow->resize(Run.Width, Run.Height);
  if (QScreen* Screen = QGuiApplication::primaryScreen()) {
    const QRect Area = Screen->geometry();
    FWindow->setPosition(Area.x() + (Area.width() - Run.Width) / 2,
                         Area.y() + (Area.height() - Run.Height) / 2);
  }
  SetHandle(FWindow->Handle());
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
  if (FRun.TimerRuns) SetTimer(Handle(), kMoveTimer, 10);
}

TScrnFrm::~TScrnFrm() {
  if (Handle()) KillTimer(Handle(), kMoveTimer);
  WDirectX->Stop();
  Scene.reset();
  // The framework's device lives on the window: components go before it.
  delete WPool;
  delete WDirectX;
  FWindow.reset();
}

void TScrnFrm::FormCreate() {
  if (FRun.Seed)
    RandSeed(*FRun.Seed);
  else
    Randomize();
  SettingsProblem = GetSettings(Settings, WPool->PathTextures, FRun.Display);
  Scene = std::make_unique<TZelmarScene>(WDirectX, WPool, Settings);
  Scene->ConnectEvents();
}

void TScrnFrm::FormShow() {
  if (!WDirectX->Started) WDirectX->Start();
  Scene->FormShow();
}

void TScrnFrm::MoveTimerTimer() {
  Scene->MoveTimerTimer();
}

void TScrnFrm::FormCloseQuery() {
  WDirectX->Stop();
  InvalidateRect(Handle(), nullptr, TRUE);
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
      FormCloseQuery();
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
