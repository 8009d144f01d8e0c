#include "platform/render/d3dx/ImageFiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "platform/render/d3dx/D3DXResources.h"
#include "platform/render/d3dx/ImageDecoder.h"
#include "platform/render/d3dx/TargaReader.h"

namespace {

namespace fs = std::filesystem;

// A file of more bytes than the largest image allowed could take is not a texture.
constexpr std::uint64_t kMaxImageFileBytes = kMaxImagePixels * 4 + (1u << 20);

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    return std::tolower(x) == std::tolower(y);
  });
}

bool IsFile(const fs::path& p) {
  std::error_code error;
  return fs::is_regular_file(p, error);
}

std::optional<fs::path> ExistingPath(std::string path) {
  if (IsFile(path)) return fs::path(path);
  std::replace(path.begin(), path.end(), '\\', '/');
  const fs::path p(path);
  if (IsFile(p)) return p;
  // The media names the same file with different letter cases; look for a case-insensitive
  // match of the last component.
  const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
  std::error_code error;
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
    if (SameIgnoringCase(it->path().filename().string(), p.filename().string()) &&
        IsFile(it->path()))
      return it->path();
  return std::nullopt;
}

D3DXIMAGE_FILEFORMAT FileFormatOf(ImageKind kind) {
  switch (kind) {
    case ImageKind::Jpeg:
      return D3DXIFF_JPG;
    case ImageKind::Png:
      return D3DXIFF_PNG;
    case ImageKind::Targa:
      return D3DXIFF_TGA;
    default:
      return D3DXIFF_BMP;
  }
}

}  // namespace

HRESULT ImageFiles::DecodeBytes(const std::uint8_t* data, std::size_t size, DecodedImage* out) {
  if (size > kMaxImageFileBytes) return D3DXERR_INVALIDDATA;
  const auto header = CheckImageHeader(data, size);
  if (!header) return D3DXERR_INVALIDDATA;
  DecodedImage d;
  std::uint32_t bits = 32;
  if (header->kind == ImageKind::Targa) {
    TargaInfo targa;
    if (!ReadTarga(data, size, d.Image, &targa)) return D3DXERR_INVALIDDATA;
    bits = targa.BitsPerPixel;
  } else if (!DecodePlatformImage(header->kind, data, size, d.Image, bits)) {
    return D3DXERR_INVALIDDATA;
  }
  if (d.Image.Width != header->width || d.Image.Height != header->height)
    return D3DXERR_INVALIDDATA;
  d.HasAlpha = d.Image.HasTranslucency();
  d.Info.Width = d.Image.Width;
  d.Info.Height = d.Image.Height;
  d.Info.Depth = 1;
  d.Info.MipLevels = 1;
  d.Info.ResourceType = D3DRTYPE_TEXTURE;
  d.Info.ImageFileFormat = FileFormatOf(header->kind);
  if (d.HasAlpha)
    d.Info.Format = D3DFMT_A8R8G8B8;
  else if (bits == 24 && header->kind != ImageKind::Jpeg)
    d.Info.Format = D3DFMT_R8G8B8;  // a 24-bit bitmap or Targa; JPEG reads as X8R8G8B8
  else
    d.Info.Format = D3DFMT_X8R8G8B8;
  *out = std::move(d);
  return D3D_OK;
}

HRESULT ImageFiles::DecodeFile(const std::string& path, DecodedImage* out) const {
  const std::optional<fs::path> found = ExistingPath(path);
  if (!found) return D3DERR_NOTAVAILABLE;
  // There but unreadable is bad data, not a missing file; so is a read that comes up short.
  std::ifstream file(*found, std::ios::binary);
  if (!file) return D3DXERR_INVALIDDATA;
  file.seekg(0, std::ios::end);
  const std::streamoff length = file.tellg();
  if (length < 0 || static_cast<std::uint64_t>(length) > kMaxImageFileBytes)
    return D3DXERR_INVALIDDATA;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
  file.seekg(0);
  if (!file.read(reinterpret_cast<char*>(bytes.data()), length)) return D3DXERR_INVALIDDATA;
  return DecodeBytes(bytes.data(), bytes.size(), out);
}

HRESULT ImageFiles::DecodeResource(HMODULE module, const std::string& name,
                                   DecodedImage* out) const {
  if (const std::vector<BYTE>* bytes = D3DXFindResource(name))
    return DecodeBytes(bytes->data(), bytes->size(), out);
  std::vector<std::uint8_t> own;
  if (!FindModuleResource(module, name, own)) return D3DXERR_INVALIDDATA;
  return DecodeBytes(own.data(), own.size(), out);
}
