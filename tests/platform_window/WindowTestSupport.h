// The application object and a recording window shared by the window-layer tests.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/window/TApplication.h"
#include "platform/window/TWindow.h"

TApplication& App();
// Processes events until pred holds or maxMs passed; returns pred's last value.
bool WaitFor(const std::function<bool()>& pred, int maxMs = 5000);
// Processes events for a while (lets stray events arrive before a negative check).
void Settle(int ms = 100);

// A shown window whose procedure records every message before the default procedure.
struct RecordingWindow {
  explicit RecordingWindow(DWORD style = WS_OVERLAPPEDWINDOW, int x = 100, int y = 80, int w = 320,
                           int h = 240);
  ~RecordingWindow();
  HWND hwnd() const { return window->Handle(); }
  int Count(UINT msg) const;
  const MSG* Last(UINT msg) const;
  std::unique_ptr<TWindow> window;
  std::vector<MSG> seen;
  bool exposed = false;
};

// Records what reaches the application's message hook; uninstalls it on destruction.
struct HookRecorder {
  HookRecorder();
  ~HookRecorder();
  int Count(UINT msg) const;
  const MSG* Last(UINT msg) const;
  std::vector<MSG> seen;
};
