// What the shell asks of the platform it runs on, so that the saver window, the runs of the
// scene and the benchmark are one source on Linux (Qt, X11, the GL backend) and on Windows
// (Win32, the real Direct3D 9). One implementation per platform.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/render/d3d9.h"
#include "platform/window/winuser.h"

namespace zelmar {

// Lets a program of the windowed kind (Windows' GUI subsystem) write to the console it was
// started from, so that messages and figures reach the user there.
void ConnectConsole();
// Why no window can be shown here (no display to draw on), or empty when one can.
std::string DisplayProblem();
// Chooses the render platform that Direct3DCreate9 yields; once, after the application object.
void UseRenderPlatform();

// A window with a dialog frame and a system menu whose client area is Width x Height, centred on
// the primary screen (at the screen's origin with AtOrigin), not yet shown. 0 on failure.
HWND CreateFormWindow(const char* Caption, int Width, int Height, bool AtOrigin = false);
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
