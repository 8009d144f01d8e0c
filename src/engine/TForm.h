// The owner form: the component that holds the framework, the pools and the scene's other
// components in their order, and stands for the window they work in. The toolkit's window
// class in the shell derives from it and reports its window handle.
#pragma once

#include "engine/TWinControl.h"

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* AOwner = nullptr) : TWinControl(AOwner) {}

  // Ends the loading of the form: once every component's stored values are set, each owned
  // component, in component order, gets its Loaded call.
  void Loaded() override;
};
