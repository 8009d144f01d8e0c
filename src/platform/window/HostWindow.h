// A window of another program that lends it to us to draw in (a screen-saver daemon's window,
// or any window named by its handle): its size, whether anyone can see it, and its end, learnt
// from the X server's events on it. Plain C++ header.
//
// "Seen" means: the window and all its ancestors are mapped (so not iconified), the window is
// not fully covered by others, and the monitor is not switched off by power saving. Nothing
// here draws, takes focus or input, or changes the window; the events come through the
// toolkit's own X connection, so they are handled by the application's loop like any other.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/window/winuser.h"

class THostWindow {
 public:
  // Starts watching the window. Null when it cannot be: no X11 display in this process, or no
  // such window (problem says which, for one line on stderr).
  static std::unique_ptr<THostWindow> Open(HWND host, std::string& problem);
  ~THostWindow();
  THostWindow(const THostWindow&) = delete;
  THostWindow& operator=(const THostWindow&) = delete;

  HWND Handle() const;
  // The window's inside, in pixels.
  int Width() const;
  int Height() const;
  bool Seen() const;
  bool Destroyed() const;

  // Called from the application's loop when the size changes, when Seen() changes, and once
  // when the window is destroyed.
  std::function<void(int Width, int Height)> OnResize;
  std::function<void(bool Seen)> OnSeenChanged;
  std::function<void()> OnDestroyed;

  struct Private;

 private:
  THostWindow();
  std::unique_ptr<Private> d_;
};
