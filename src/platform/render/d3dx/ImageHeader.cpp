#include "platform/render/d3dx/ImageHeader.h"

#include <cstring>

namespace {

// Little- and big-endian fields; callers check the bounds first.
std::uint32_t Le16(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}
std::uint32_t Le32(const std::uint8_t* p) {
  return Le16(p) | Le16(p + 2) << 16;
}
std::uint32_t Be16(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 8 | p[1];
}
std::uint32_t Be32(const std::uint8_t* p) {
  return Be16(p) << 16 | Be16(p + 2);
}

bool SizeAllowed(std::uint64_t width, std::uint64_t height) {
  return width > 0 && height > 0 && width * height <= kMaxImagePixels;
}

std::optional<ImageHeader> Sized(ImageKind kind, std::uint64_t width, std::uint64_t height) {
  if (!SizeAllowed(width, height)) return std::nullopt;
  return ImageHeader{kind, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
}

// Targa: the 18-byte header, the image ID and colour map after it, then the pixels, raw or in
// run-length packets.
std::optional<ImageHeader> CheckTarga(const std::uint8_t* d, std::size_t size) {
  if (size < 18) return std::nullopt;
  const std::uint32_t idLength = d[0], mapType = d[1], type = d[2];
  const std::uint32_t mapLength = Le16(d + 5), mapEntryBits = d[7];
  const std::uint32_t width = Le16(d + 12), height = Le16(d + 14), depth = d[16];
  if (mapType > 1) return std::nullopt;
  // The decoder reads uncompressed true colour only; anything else it would refuse anyway.
  if (type != 2 || (depth != 16 && depth != 24 && depth != 32)) return std::nullopt;
  if (mapType == 1 && mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 &&
      mapEntryBits != 32)
    return std::nullopt;
  if (!SizeAllowed(width, height)) return std::nullopt;
  const std::uint64_t mapBytes = mapType ? std::uint64_t{mapLength} * ((mapEntryBits + 7) / 8) : 0;
  const std::uint64_t pixelBytes = std::uint64_t{width} * height * (depth / 8);
  if (18 + idLength + mapBytes + pixelBytes > size) return std::nullopt;
  return Sized(ImageKind::Targa, width, height);
}

// BMP with a Windows or OS/2 information header, raw rows or RLE4/RLE8.
bool RleComplete(const std::uint8_t* d, std::size_t size, std::size_t pos, std::uint32_t rows,
                 bool fourBits) {
  std::uint64_t row = 0;
  while (row < rows) {
    if (pos + 2 > size) return false;
    const std::uint32_t count = d[pos], code = d[pos + 1];
    pos += 2;
    if (count > 0) continue;  // a run of count pixels in one colour (pair)
    if (code == 0) {
      ++row;
    } else if (code == 1) {
      return true;  // end of bitmap: what is left stays at the background
    } else if (code == 2) {
      if (pos + 2 > size) return false;
      row += d[pos + 1];
      pos += 2;
    } else {
      // code literal pixels, padded to a whole 16-bit word
      std::size_t bytes = fourBits ? (code + 1) / 2 : code;
      bytes += bytes & 1;
      if (pos + bytes > size) return false;
      pos += bytes;
    }
  }
  return true;
}

std::optional<ImageHeader> CheckBmp(const std::uint8_t* d, std::size_t size) {
  if (size < 26) return std::nullopt;
  const std::uint64_t offBits = Le32(d + 10), headerSize = Le32(d + 14);
  std::int64_t width, height;
  std::uint32_t planes, bits, compression = 0, colorsUsed = 0, entryBytes = 4;
  if (headerSize == 12) {
    width = Le16(d + 18), height = Le16(d + 20), planes = Le16(d + 22), bits = Le16(d + 24);
    entryBytes = 3;
  } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 64 ||
             headerSize == 108 || headerSize == 124) {
    if (size < 14 + 40) return std::nullopt;
    width = static_cast<std::int32_t>(Le32(d + 18));
    height = static_cast<std::int32_t>(Le32(d + 22));
    planes = Le16(d + 26), bits = Le16(d + 28), compression = Le32(d + 30);
    colorsUsed = Le32(d + 46);
  } else {
    return std::nullopt;
  }
  const bool topDown = height < 0;
  const std::uint64_t rows = static_cast<std::uint64_t>(topDown ? -height : height);
  if (planes != 1 || width <= 0 || !SizeAllowed(static_cast<std::uint64_t>(width), rows))
    return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return std::nullopt;
  const bool rle8 = compression == 1, rle4 = compression == 2;
  const bool masks = compression == 3 || compression == 6;
  if (compression > 3 && compression != 6) return std::nullopt;
  if ((rle8 && bits != 8) || (rle4 && bits != 4) || ((rle8 || rle4) && topDown) ||
      (masks && bits != 16 && bits != 32))
    return std::nullopt;
  // The colour table (or the masks of a 40-byte header) follows the information header.
  std::uint64_t tableEnd = 14 + headerSize;
  if (bits <= 8) {
    const std::uint64_t maxColors = std::uint64_t{1} << bits;
    if (colorsUsed > maxColors) return std::nullopt;
    tableEnd += (colorsUsed ? colorsUsed : maxColors) * entryBytes;
  } else if (masks && headerSize == 40) {
    tableEnd += compression == 6 ? 16 : 12;
  }
  if (tableEnd > size || offBits < 14 + headerSize || offBits > size) return std::nullopt;
  if (rle8 || rle4) {
    if (!RleComplete(d, size, static_cast<std::size_t>(offBits), static_cast<std::uint32_t>(rows),
                     rle4))
      return std::nullopt;
  } else {
    // Rows are padded to four bytes; a writer may leave out the last row's padding.
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bits + 7) / 8;
    const std::uint64_t stride = (rowBytes + 3) / 4 * 4;
    if (offBits + stride * (rows - 1) + rowBytes > size) return std::nullopt;
  }
  return Sized(ImageKind::Bmp, static_cast<std::uint64_t>(width), rows);
}

// JPEG: marker segments up to each scan, entropy-coded data up to the next marker, and an
// end-of-image marker after at least one frame header and one scan. A file cut off anywhere
// lacks that last marker.
std::optional<ImageHeader> CheckJpeg(const std::uint8_t* d, std::size_t size) {
  std::size_t pos = 2;
  std::uint32_t width = 0, height = 0;
  bool frame = false, scan = false;
  std::uint64_t entropyBytes = 0;
  while (true) {
    // Tolerate stray bytes before a marker, as the decoder does.
    while (pos < size && d[pos] != 0xFF) ++pos;
    while (pos < size && d[pos] == 0xFF) ++pos;
    if (pos >= size) return std::nullopt;
    const std::uint8_t marker = d[pos++];
    if (marker == 0xD9) break;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length
    if (pos + 2 > size) return std::nullopt;
    const std::size_t length = Be16(d + pos);
    if (length < 2 || pos + length > size) return std::nullopt;
    const bool sof =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (sof) {
      if (length < 8 || frame) return std::nullopt;
      height = Be16(d + pos + 3);
      width = Be16(d + pos + 5);
      frame = true;
    }
    pos += length;
    if (marker == 0xDA) {
      if (!frame) return std::nullopt;
      scan = true;
      const std::size_t scanStart = pos;
      // Entropy-coded data: 0xFF is followed by a stuffed zero, a restart marker or the next
      // segment's marker.
      while (pos + 1 < size) {
        if (d[pos] != 0xFF) {
          ++pos;
        } else if (d[pos + 1] == 0x00 || (d[pos + 1] >= 0xD0 && d[pos + 1] <= 0xD7)) {
          pos += 2;
        } else if (d[pos + 1] == 0xFF) {
          ++pos;
        } else {
          break;
        }
      }
      if (pos + 1 >= size) return std::nullopt;
      entropyBytes += pos - scanStart;
    }
  }
  if (!frame || !scan) return std::nullopt;
  // Every 8 x 8 block of the first component takes at least one bit in the first scan that
  // codes it, so the data bounds the size; a larger image would only be filled in.
  if (std::uint64_t{width} * height > (entropyBytes + 64) * 512) return std::nullopt;
  return Sized(ImageKind::Jpeg, width, height);
}

// PNG: chunks with their lengths, from IHDR to IEND, each within the file.
std::optional<ImageHeader> CheckPng(const std::uint8_t* d, std::size_t size) {
  std::size_t pos = 8;
  std::uint32_t width = 0, height = 0;
  bool header = false, data = false;
  while (pos + 12 <= size) {
    const std::uint64_t length = Be32(d + pos);
    const std::uint8_t* type = d + pos + 4;
    if (length > size - pos - 12) return std::nullopt;
    if (!header) {
      if (std::memcmp(type, "IHDR", 4) != 0 || length < 13) return std::nullopt;
      width = Be32(d + pos + 8);
      height = Be32(d + pos + 12);
      header = true;
    } else if (std::memcmp(type, "IDAT", 4) == 0) {
      data = true;
    } else if (std::memcmp(type, "IEND", 4) == 0) {
      if (!data) return std::nullopt;
      return Sized(ImageKind::Png, width, height);
    }
    pos += 12 + static_cast<std::size_t>(length);
  }
  return std::nullopt;
}

}  // namespace

std::optional<ImageHeader> CheckImageHeader(const std::uint8_t* data, std::size_t size) {
  static const std::uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') return CheckBmp(data, size);
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
    return CheckJpeg(data, size);
  if (size >= 8 && std::memcmp(data, png, 8) == 0) return CheckPng(data, size);
  // Targa has no signature; none of the others' could start a valid Targa header.
  return CheckTarga(data, size);
}
