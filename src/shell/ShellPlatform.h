// What the shell asks of the platform it runs on, so that the saver window, the runs of the
// scene and the benchmark are one source on Linux (Qt, X11, the GL backend) and on Windows
// (Win32, the real Direct3D 9). One implementation per platform.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/render/d3d9.h"
#include "platform/window/winuser.h"

class TApplication;

namespace zelmar {

// Lets a program of the windowed kind (Windows' GUI subsystem) write to the console it was
// started from, so that messages and figures reach the user there.
void ConnectConsole();
// Lines for --help on what the program reads from its platform (environment, settings), and on
// the planet maps of other packages in use.
std::string PlatformEnvironmentHelp();
std::string InstalledMapCredits();
// Runs a way of starting the program that only this platform has (the hack mode of Linux
// screen-saver daemons, the conversion of other packages' planet maps) when Args ask for one:
// true, with the exit code in Code.
bool RunPlatformMode(const std::vector<std::string>& Args, const char* ProgramName, int& Code);
// Why no window can be shown here (no display to draw on), or empty when one can.
std::string DisplayProblem();
// Readies the process for drawing before the application object exists (on Linux: the signals
// that end it end it with SignalExitCode and nothing left behind, and a runtime folder of its
// own for the toolkit); false, with a message on stderr naming the display and what to do, when
// there is nothing to draw on.
bool PrepareDisplay(int SignalExitCode = 0);
// While it lives, once the application object exists: a signal ends the application's loop,
// and the loss of the display ends the process with exit code 1 and one line on stderr. Null
// where the platform needs nothing of the kind.
class TProcessEnd {
 public:
  virtual ~TProcessEnd() = default;
};
std::unique_ptr<TProcessEnd> WatchProcessEnd(TApplication& App);
// Chooses the render platform that Direct3DCreate9 yields; once, after the application object.
void UseRenderPlatform();

// A window with a dialog frame and a system menu whose client area is Width x Height, centred on
// the primary screen (at the screen's origin with AtOrigin), not yet shown. With a Host, a child
// of that window at its origin instead, taking no input, shown black at once. 0 on failure.
HWND CreateFormWindow(const char* Caption, int Width, int Height, bool AtOrigin = false,
                      HWND Host = 0);
// What the saver's window needs beyond the framework's full screen where the window system
// leaves it to the program (Windows): see PrepareSaverWindow and WatchSaverWindow.
struct TSaverWindowEvents {
  // Nobody can see the screen (the display is off, the session locked), or they can again.
  std::function<void(bool Seen)> SeenChanged;
  // A change of activation reached the window without passing the application's message hook
  // (Windows sends these straight to the window procedure).
  std::function<void()> ActivationChanged;
};
class TSaverWindow {
 public:
  virtual ~TSaverWindow() = default;
};
// Before the framework starts: gives the saver's window its final shape, so that nothing but
// the full-screen picture is ever seen (on Windows: no caption, the primary monitor's size,
// topmost, no taskbar or Alt+Tab entry). Nothing where the window layer does so itself.
void PrepareSaverWindow(HWND Window);
// Once the framework has started and the saver is shown: follows what the events above tell,
// and keeps the system's own screen saver from starting over ours. It must go before the
// framework stops. Null where the platform has nothing to add.
std::unique_ptr<TSaverWindow> WatchSaverWindow(HWND Window, TSaverWindowEvents Events);
// Hides the saver's window for good, before its device is released, so that the framework's
// return to windowed mode shows nothing. Nothing where that return shows nothing anyway.
void HideSaverWindow(HWND Window);
// Makes the media search take the maps other installed packages bring, where there are any.
void UseInstalledMaps();
// Frames a second of the display the window is on (RandR's through the toolkit on Linux), or 0
// when the system does not say.
double DisplayRefreshRate(HWND Window);
// Destroys a window made by CreateFormWindow (nothing when it is gone already).
void DestroyFormWindow(HWND Window);
// Waits, up to TimeoutMs, until the window system has shown the window (and activated it, with
// Active): Windows has done so when ShowWindow returns, an X server a little later. Stop ends
// the wait early. True when it was shown.
bool WaitUntilShown(HWND Window, int TimeoutMs, bool Active, const std::function<bool()>& Stop);

// A frame read back from a device: Width x Height pixels 0xFFRRGGBB, top row first.
struct TFramePicture {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;
};
// The device's back buffer as it stands; false when it cannot be read.
bool ReadBackFrame(IDirect3DDevice9* Device, TFramePicture& Picture);
// Writes the picture as a PNG file, whole or not at all; empty on success, else why not.
std::string WritePng(const std::string& File, const TFramePicture& Picture);

// Process CPU time (user and system) in seconds.
double ProcessCpuSeconds();
// Peak resident memory of the process in MB, and a fresh start for it where the system has one.
double PeakResidentMB();
void ResetPeakResident();

}  // namespace zelmar
