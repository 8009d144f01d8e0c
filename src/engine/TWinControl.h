// A component with a window of its own: the form the framework lives on, or another control
// the framework presents into. The shell's window classes report their window handle here.
#pragma once

#include "engine/TComponent.h"
#include "platform/wintypes.h"

class TWinControl : public TComponent {
 public:
  explicit TWinControl(TComponent* AOwner = nullptr) : TComponent(AOwner) {}

  // The control's window (an X window id on X11); 0 while there is none.
  virtual HWND Handle() const { return FHandle; }
  void SetHandle(HWND Value) { FHandle = Value; }

 private:
  HWND FHandle = 0;
};
