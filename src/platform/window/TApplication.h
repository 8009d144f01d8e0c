// The application object: the run loop with its idle hook and message hook. Plain C++ header.
//
// Run() works like a Windows message loop: it handles all pending events, then calls the idle
// hook; while the hook leaves done false it is called again at once (events that arrived in
// between are handled first); when it says done, the loop blocks until the next event. Modal
// loops (message boxes, dialogs) do not call the idle hook. The message hook sees every queued
// message (see winuser.h) before it is dispatched and may mark it handled to stop it there.
// Destroying the main window ends Run().
#pragma once

#include <functional>
#include <memory>

#include "platform/window/winuser.h"

class TApplication {
 public:
  using TIdleEvent = std::function<void(bool& done)>;
  using TMessageEvent = std::function<void(MSG& msg, bool& handled)>;

  // Creates the toolkit's application object unless one exists already. One per process.
  TApplication(int& argc, char** argv);
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // The one application object, or null before it is created.
  static TApplication* Instance();

  void SetOnIdle(TIdleEvent hook);
  bool HasOnIdle() const;
  // At most this many runs of the idle hook a second while it is not done; 0 (the default)
  // runs it again at once.
  void SetIdlePace(double perSecond);
  double IdlePace() const;
  void SetOnMessage(TMessageEvent hook);
  bool HasOnMessage() const;

  // The window whose destruction ends Run(). The first window created becomes the main window
  // when none is set; 0 leaves the program without one. A window of the toolkit that is not
  // ours (a dialog) ends Run() when it is hidden. Setting it clears Terminated().
  void SetMainWindow(HWND hwnd);
  HWND MainWindow() const;

  // Runs until Terminate() or the main window is destroyed; returns at once without a main
  // window. Result: the exit code.
  int Run();
  // Handles the pending events without waiting and without calling the idle hook.
  void ProcessMessages();
  // One pass of Run(): pending events, the idle hook, and a wait when it is done.
  void HandleMessage();
  void Terminate(int exitCode = 0);
  bool Terminated() const;

  // Passes a queued message through the message hook; true when the hook handled it.
  bool FilterMessage(MSG& msg);
  // Called by the window layer when a window is made and when it goes away.
  void WindowCreated(HWND hwnd);
  void WindowDestroyed(HWND hwnd);

 private:
  struct Private;
  std::unique_ptr<Private> d_;
};
