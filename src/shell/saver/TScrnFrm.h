// The saver window: a form holding the device framework WDirectX, the resource pool WPool, the
// scene and the 10 ms travel timer MoveTimer. It owns no scene logic: its handlers forward to
// the scene (creation, device events, frame move, render, timer ticks).
//
// As the saver it goes full screen and topmost when shown, hides the cursor, tells the system a
// screen saver runs (which holds off the desktop's own blanking), and closes on the user's
// input (DeactivateScrnSaver, the application's message hook). Other runs (--window, snapshots,
// benchmarks) keep it an ordinary window that input does not end.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "engine/TForm.h"
#include "engine/TFrameBudget.h"
#include "engine/TWTimeSource.h"
#include "platform/window/HostWindow.h"
#include "platform/window/winuser.h"
#include "scene/TSettings.h"
#include "shell/settings/SettingsOptions.h"

class TW9DirectX;
class TWPool;

namespace zelmar {

class TZelmarScene;
class TMonitorCover;
class TSaverWindow;

class TScrnFrm : public TForm {
 public:
  // What a run changes against the saver's defaults.
  struct TRun {
    // Every random draw repeats with a seed; without one the generator is seeded from the clock.
    std::optional<std::uint32_t> Seed;
    // Settings that replace the stored ones for this run, and the frame cap.
    TSettingsOptions Options;
    // Client size of the window.
    int Width = 104;
    int Height = 213;
    // False: nobody runs MoveTimer; the caller steps MoveTimerTimer itself (snapshots).
    bool TimerRuns = true;
    // Present without waiting for the display's refresh, and without a cap unless
    // Options.MaxFps gives one (benchmarks).
    bool Uncapped = false;
    // The frame cap when Options.MaxFps gives none; 0: the display's refresh rate.
    int DefaultMaxFps = 0;
    // The saver's life: full screen, topmost, cursor hidden, ended by input. False: an
    // ordinary window.
    bool Saver = true;
    // Another program's window to draw in (with Saver false): the form's window becomes a
    // child of it, of the size above, that takes no input and no focus.
    HWND Host = 0;
    // The camera held looking at this place of the sky (ecliptic longitude and latitude in
    // degrees) instead of travelling: pictures of the stars.
    std::optional<std::pair<double, double>> SkyView;
  };

  // Makes the hidden window and the form's components, loads them (the framework creates the
  // platform object and chooses its devices), then runs FormCreate. Without a clock the
  // framework reads the system's.
  explicit TScrnFrm(const TRun& Run, std::shared_ptr<TWTimeSource> Clock = nullptr);
  ~TScrnFrm() override;

  // Shows the form: FormShow, then the window when the framework has not shown it already.
  void Show();
  // Closes the form: FormCloseQuery, FormClose, hiding (FormHide), then the window goes, which
  // ends the application's loop when it is the main window.
  void Close();

  // Form events.
  void FormCreate();
  // Starts rendering and resets the camera's travel state; as the saver it also goes full
  // screen, waits until the window system has shown and activated the window, and arms the
  // input filter with the cursor position of that moment.
  void FormShow();
  // Topmost, and the system's "screen saver running" flag on. The framework's render hook
  // stays the application's idle hook.
  void FormActivate();
  // The application's message hook while the saver is shown: after the first SkipMessages
  // messages, input that ends the saver (see SaverInput.h) switches back to windowed mode and
  // closes the form. The message itself goes on as usual.
  void DeactivateScrnSaver(MSG& Msg, bool& Handled);
  // A change of activation that reached the window without passing the message hook (see
  // TSaverWindowEvents): after the first SkipMessages messages it ends the saver too.
  // True when the saver is ending (on this change or on earlier input).
  bool ActivationChanged();
  void MoveTimerTimer();
  // Stops the framework (releasing every device object) and allows closing.
  void FormCloseQuery();
  // The system's "screen saver running" flag off, no idle hook, no mouse capture.
  void FormClose();
  // The message hook removed, tmrTick off, the cursor shown again.
  void FormHide();
  void FormResize();
  // While nobody can see the window (unmapped, iconified, fully covered, monitor off) the
  // framework is paused and the travel timer stopped: no frames, no CPU, and the scene takes
  // up where it was when it is seen again.
  void SeenChanged(bool Seen);

  // What the window's visibility is learnt from, once shown (runs whose timer runs and that are
  // paced; null otherwise). For a host's window it also tells its size and its end.
  THostWindow* SeenWatch() const { return FSeenWatch.get(); }
  // The most frames a second this run presents (0: no cap).
  double FrameCap() const;
  // How often the display refreshes (60 when it does not say).
  double RefreshRate() const;
  // What a frame may cost in this run: as the saver or in a host's window, the budget of the
  // chosen device type (a software renderer's cap and smaller scene); --render-scale sets the
  // scene's size in any run. Chosen when the form is shown.
  const TFrameBudget& Budget() const { return FBudget; }
  // Frame moves a presented frame takes: the camera's glide steps once a frame, so under a cap
  // below the refresh rate each frame takes the steps of the frames it stands for, and the
  // camera keeps the speed it has at the display's rate (on average: 1.5 is one step, then
  // two). 1 uncapped, and in stepped runs.
  double StepsPerFrame = 1.0;

  TW9DirectX* WDirectX = nullptr;
  TWPool* WPool = nullptr;
  std::unique_ptr<TZelmarScene> Scene;
  TSettings Settings;
  // What reading the settings store reported; empty when every value was read.
  std::string SettingsProblem;
  // Cursor position, in screen coordinates, when the saver was shown.
  POINT StartCursorPos;
  // Messages the input filter still ignores; process-wide, as the one message hook is.
  static std::int32_t SkipMessages;
  // tmrTick: only ever switched on and off.
  bool TickEnabled = false;
  // The window was closed for a failure (the framework's fatal error or a failed frame), not
  // by the user.
  bool ClosedOnFailure = false;

 private:
  LRESULT WindowProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam);
  void WaitUntilShown();
  void WatchSeen();
  void ChooseBudget();
  void SayBudget();

  static constexpr UINT_PTR kMoveTimer = 1;
  TRun FRun;
  HWND FWindow = 0;
  // As the saver: black over the other monitors.
  std::unique_ptr<TMonitorCover> FMonitorCover;
  // As the saver: what the platform adds to its window (display and session state, activation).
  std::unique_ptr<TSaverWindow> FSaverWindow;
  WindowProcedure FPrevProc;
  bool FClosing = false;
  bool FEndingOnInput = false;
  bool FUserClose = false;
  bool FFilterArmed = false;
  bool FSaverRunning = false;
  double FStepCredit = 0.0;
  std::unique_ptr<THostWindow> FSeenWatch;
  bool FUnseen = false;
  TFrameBudget FBudget;
  bool FBudgetSaid = false;
};

}  // namespace zelmar
