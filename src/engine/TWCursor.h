// The framework's device cursor: an image from the program's resources or a file that
// replaces the mouse cursor while the framework is set to show one.
#pragma once

#include <cstdint>
#include <string>

#include "platform/wintypes.h"

class TW9DirectX;

// A toolkit colour, 0x00BBGGRR.
using TColor = std::uint32_t;

class TWCursor {
 public:
  explicit TWCursor(TW9DirectX* DX) : FDX(DX) {}

  // Setting a different value loads the cursor again at once.
  int HotSpotX() const { return FHotSpotX; }
  void SetHotSpotX(int Value);
  int HotSpotY() const { return FHotSpotY; }
  void SetHotSpotY(int Value);
  const std::string& Filename() const { return FFilename; }
  void SetFilename(const std::string& Value);
  TColor ColorKey() const { return FColorKey; }
  void SetColorKey(TColor Value);

  // Puts the image on the device as its cursor when the framework runs and is set to show one
  // in its current mode; S_OK without doing anything otherwise.
  HRESULT Load();

 private:
  // Loads the image into a device cursor; Found tells whether the image itself could be read.
  HRESULT LoadWith(const std::string& Source, bool FromResource, bool& Found);

  TW9DirectX* FDX;
  int FHotSpotX = 0;
  int FHotSpotY = 0;
  std::string FFilename = "cursor.bmp";
  TColor FColorKey = 0;
};
