// The saver window: a form holding the device framework WDirectX, the resource pool WPool, the
// scene and the 10 ms travel timer MoveTimer. It owns no scene logic: its handlers forward to
// the scene (creation, device events, frame move, render, timer ticks).
//
// Today it runs as an ordinary window (--window, snapshots, benchmarks). The saver's own life
// (full screen, hidden cursor, exit on input, the system's "saver running" flag) belongs in the
// handlers named after the form's events below: FormShow gains the switch to full screen and the
// input filter, and FormActivate, DeactivateScrnSaver, FormClose and FormHide join them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/TForm.h"
#include "engine/TWTimeSource.h"
#include "platform/window/winuser.h"
#include "scene/TSettings.h"

class TW9DirectX;
class TWPool;
class TWindow;

namespace zelmar {

class TZelmarScene;

class TScrnFrm : public TForm {
 public:
  // What a run changes against the saver's defaults.
  struct TRun {
    // Every random draw repeats with a seed; without one the generator is seeded from the clock.
    std::optional<std::uint32_t> Seed;
    // 0 Space, 1 Brass; -1 the stored display.
    int Display = -1;
    // Client size of the window.
    int Width = 104;
    int Height = 213;
    // False: nobody runs MoveTimer; the caller steps MoveTimerTimer itself (snapshots).
    bool TimerRuns = true;
    // Present without waiting for the display's refresh (benchmarks).
    bool Uncapped = false;
  };

  // Makes the hidden window and the form's components, loads them (the framework creates the
  // platform object and chooses its devices), then runs FormCreate. Without a clock the
  // framework reads the system's.
  explicit TScrnFrm(const TRun& Run, std::shared_ptr<TWTimeSource> Clock = nullptr);
  ~TScrnFrm() override;

  // Form events.
  void FormCreate();
  // Starts rendering (windowed) and resets the camera's travel state.
  void FormShow();
  void MoveTimerTimer();
  // Stops the framework (releasing every device object) and allows closing.
  void FormCloseQuery();
  void FormResize();

  TW9DirectX* WDirectX = nullptr;
  TWPool* WPool = nullptr;
  std::unique_ptr<TZelmarScene> Scene;
  TSettings Settings;
  // What reading the settings store reported; empty when every value was read.
  std::string SettingsProblem;

 private:
  LRESULT WindowProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam);

  static constexpr UINT_PTR kMoveTimer = 1;
  TRun FRun;
  std::unique_ptr<TWindow> FWindow;
  WNDPROC FPrevProc;
};

}  // namespace zelmar
