// A decoded image as our D3DX loaders use it: 32-bit pixels laid out as Direct3D's A8R8G8B8
// (one uint32 per pixel, top row first), and the steps every loader applies to it (colour key,
// resampling, mip levels), written once so that every platform loads the same texels. Plain
// C++.
#pragma once

#include <cstdint>
#include <vector>

struct Image32 {
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::vector<std::uint32_t> Pixels;  // Width * Height, row after row

  Image32() = default;
  Image32(std::uint32_t width, std::uint32_t height)
      : Width(width), Height(height), Pixels(std::size_t{width} * height) {}
  std::uint32_t& At(std::uint32_t x, std::uint32_t y) { return Pixels[std::size_t{y} * Width + x]; }
  std::uint32_t At(std::uint32_t x, std::uint32_t y) const {
    return Pixels[std::size_t{y} * Width + x];
  }
  const std::uint32_t* Row(std::uint32_t y) const { return &Pixels[std::size_t{y} * Width]; }
  // Some alpha byte says something other than opaque.
  bool HasTranslucency() const;
};

// Every pixel equal to key (ARGB; opaque images carry alpha 0xFF) becomes transparent black.
// Key 0 turns the key off.
void ApplyColorKey(Image32& image, std::uint32_t key);
// Scales to width x height: nearest, the source pixel under each destination pixel's centre;
// otherwise, along each axis, the average of the source area a destination pixel covers when
// shrinking and the linear blend of the two nearest source pixels when growing.
Image32 ResampleImage(const Image32& image, std::uint32_t width, std::uint32_t height,
                      bool nearest);
// The next level of a mip chain (half size, at least 1): the top-left texel of each 2 x 2 block,
// or their average.
Image32 NextMipLevel(const Image32& image, bool nearest);
// The number of levels of a full chain down to 1 x 1.
std::uint32_t FullMipCount(std::uint32_t width, std::uint32_t height);
// The part of image inside [left, right) x [top, bottom), which must lie within it.
Image32 CropImage(const Image32& image, std::uint32_t left, std::uint32_t top, std::uint32_t right,
                  std::uint32_t bottom);
