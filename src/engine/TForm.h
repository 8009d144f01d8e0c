// The owner form: the component that holds the framework, the pools and the scene's other
// components in their order, and stands for the window they work in. The toolkit's window
// class in the shell derives from it and reports its window handle.
#pragma once

#include "engine/TComponent.h"
#include "platform/wintypes.h"

class TForm : public TComponent {
 public:
  explicit TForm(TComponent* AOwner = nullptr) : TComponent(AOwner) {}

  // The form's window (an X window id on X11); 0 while there is none.
  virtual HWND Handle() const { return FHandle; }
  void SetHandle(HWND Value) { FHandle = Value; }

  // Ends the loading of the form: once every component's stored values are set, each owned
  // component, in component order, gets its Loaded call.
  void Loaded() override;

 private:
  HWND FHandle = 0;
};
