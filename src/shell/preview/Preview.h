// The preview: a star field with the program's icon gliding across, drawn straight into the
// host's window (the small screen of the display settings page).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelmar {

// The side of the icon the preview glides across, in pixels.
constexpr int kPreviewIconSize = 32;

// The preview's frame, from the host window's size: one pixel wider and taller than the window
// (its rectangle's right - left + 1), with the 32-pixel icon centred vertically.
struct TPreviewGeometry {
  int Width;
  int Height;
  int IconTop;
};
TPreviewGeometry PreviewGeometry(int windowWidth, int windowHeight);

// The icon's column for the next pass: one to the right, and back in from the left edge once
// it has passed Width + 16.
int NextIconColumn(int x, int previewWidth);

// The window id that /p names (decimal, or hexadecimal with 0x); false, with a message on stderr
// saying what is wrong, when it is missing or not a number.
bool ParsePreviewHandle(const std::string& handle, unsigned long& id);

struct TPreviewStar {
  int X;
  int Y;
};
// The star field: 100 stars at random over a width x height frame (the row of each drawn
// before its column).
std::vector<TPreviewStar> PreviewStars(int width, int height);

// Composes the part of the frame at columns [left, left + columns) and rows [top, top + rows)
// into pixels (0xRRGGBB, row after row): black, the stars that fall in it, and the icon
// (kPreviewIconSize square, 0xAARRGGBB) at (iconLeft, iconTop) blended by its alpha. The
// platforms draw the frame whole or band by band with it.
void ComposePreview(std::uint32_t* pixels, int left, int top, int columns, int rows,
                    const std::vector<TPreviewStar>& stars, const std::vector<std::uint32_t>& icon,
                    int iconLeft, int iconTop);

// Draws into the window named by handle (decimal, or hexadecimal with 0x: an X window on Linux,
// a window of any process on Windows) until it is no longer visible. Returns the process's exit
// code: 0 when the host hid or destroyed the window, 2 (with a message on stderr) for a missing or
// bad handle or no display.
int RunPreview(const std::string& handle);

// Opens a window of its own of width x height and previews into it until it is closed; what
// the run script shows until the saver window exists.
int RunPreviewInOwnWindow(int width, int height);

}  // namespace zelmar
