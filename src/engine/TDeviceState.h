// The device framework's state as one value: how far the device's life has come, and the few
// conditions that vary beside it. The framework alone writes it; others read it.
#pragma once

#include <cstdint>

// The device's life stages, in order: each holds only after the one before. The framework
// takes the device objects through their phases as the stage moves.
enum class TDeviceStage : std::uint8_t {
  None,      // no device
  Created,   // the device exists; its objects are not made, or were deleted (also a device
             // attached from outside, whose objects its owner takes through their phases)
  Inited,    // InitDeviceObjects succeeded; the default-pool objects are not made (before the
             // first restore, and after a reset that failed)
  Restored,  // RestoreDeviceObjects succeeded: frames can be drawn
};

// How the window was last sized: a minimised window holds one pause until it comes back.
enum class TWindowShow : std::uint8_t { Normal, Minimized, Maximized };

struct TDeviceState {
  TDeviceStage Stage = TDeviceStage::None;
  TWindowShow Show = TWindowShow::Normal;
  // Frames render while nothing holds a pause; a framework is paused until it starts.
  int PauseCount = 1;
  bool Started = false;           // Start succeeded and Stop has not run since
  bool Windowed = true;           // the device draws into a window, not over the whole screen
  bool Lost = false;              // Present found the device lost; it is tested until usable again
  bool SingleStep = false;        // a paused scene moves once more (after a reset)
  bool IgnoreSizeChange = false;  // a switch of mode is resizing the window itself
  bool FatalErrorShown = false;   // nothing is shown after a fatal message

  bool Active() const { return PauseCount == 0; }
  bool ObjectsRestored() const { return Stage == TDeviceStage::Restored; }
};
