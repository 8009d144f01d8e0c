// What an image file declares about itself, checked against the bytes it really has before any
// decoder sees it: the decoders trust their headers, fill in whatever a truncated file lacks,
// and take a time and memory set by the declared size, however small the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

enum class ImageKind { Bmp, Jpeg, Png, Targa };

struct ImageHeader {
  ImageKind kind;
  std::uint32_t width;
  std::uint32_t height;
};

// The most pixels a texture file may declare (8192 x 8192); beyond it the file is refused
// rather than decoded.
constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 26;

// The kind (from the signature; Targa, which has none, from a header that holds together) and
// size of the image in data. nullopt when the header is inconsistent, the size is zero or
// beyond kMaxImagePixels, or the file ends before the image data does. Only Targa files the
// decoder reads (uncompressed true colour of 16, 24 or 32 bits) pass. Reads only within
// [data, data + size) and takes time linear in size.
std::optional<ImageHeader> CheckImageHeader(const std::uint8_t* data, std::size_t size);
