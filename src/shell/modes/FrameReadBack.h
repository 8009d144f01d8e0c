// A frame read back from the device, and the picture file it becomes (--snapshot). One
// implementation per toolkit (FrameReadBackQt.cpp, FrameReadBackWin32.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/render/d3d9.h"

namespace zelmar {

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

}  // namespace zelmar
