// zelmar-icon FILE.ico: writes the program's icon (the one the preview glides) as a Windows icon
// file of 16, 32, 48 and 256 pixels, 32-bit with alpha, for the program's resources.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "shell/preview/AppIcon.h"

namespace {

void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// One image: a bitmap header of twice the height (colour rows, then the mask), rows bottom up.
std::vector<std::uint8_t> Image(int size) {
  const std::vector<std::uint32_t> pixels = zelmar::DrawAppIcon(size);
  std::vector<std::uint8_t> out;
  Put(out, 40, 4);
  Put(out, static_cast<std::uint32_t>(size), 4);
  Put(out, static_cast<std::uint32_t>(size * 2), 4);
  Put(out, 1, 2);
  Put(out, 32, 2);
  for (int i = 0; i < 6; ++i) Put(out, 0, 4);
  for (int y = size - 1; y >= 0; --y)
    for (int x = 0; x < size; ++x) Put(out, pixels[static_cast<std::size_t>(y) * size + x], 4);
  // The mask: all zero (the alpha channel decides), rows padded to four bytes.
  const int maskRow = ((size + 31) / 32) * 4;
  out.insert(out.end(), static_cast<std::size_t>(maskRow) * size, 0);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zelmar-icon FILE.ico\n");
    return 2;
  }
  const int sizes[] = {16, 32, 48, 256};
  std::vector<std::vector<std::uint8_t>> images;
  for (int s : sizes) images.push_back(Image(s));
  std::vector<std::uint8_t> file;
  Put(file, 0, 2);
  Put(file, 1, 2);
  Put(file, static_cast<std::uint32_t>(images.size()), 2);
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    const int s = sizes[i];
    file.push_back(static_cast<std::uint8_t>(s == 256 ? 0 : s));
    file.push_back(static_cast<std::uint8_t>(s == 256 ? 0 : s));
    Put(file, 0, 2);
    Put(file, 1, 2);
    Put(file, 32, 2);
    Put(file, static_cast<std::uint32_t>(images[i].size()), 4);
    Put(file, offset, 4);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());
  FILE* f = std::fopen(argv[1], "wb");
  if (!f || std::fwrite(file.data(), 1, file.size(), f) != file.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "zelmar-icon: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
