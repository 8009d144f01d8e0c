#include "platform/render/fake/FakeImages.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/render/d3dx/D3DXResources.h"

namespace {

std::string Lower(std::string Text) {
  std::transform(Text.begin(), Text.end(), Text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return Text;
}

const FakeImage* FindImage(const FakeMachine& Machine, const std::string& Name) {
  const std::string wanted = Lower(Name);
  for (const auto& [name, image] : Machine.Images) {
    if (Lower(name) == wanted) return &image;
  }
  return nullptr;
}

// The name's extension stands for the format the fake does not read.
D3DXIMAGE_FILEFORMAT FileFormatOf(const std::string& Name) {
  const std::string ext = Lower(std::filesystem::path(Name).extension().string());
  if (ext == ".jpg" || ext == ".jpeg") return D3DXIFF_JPG;
  if (ext == ".tga") return D3DXIFF_TGA;
  if (ext == ".png") return D3DXIFF_PNG;
  if (ext == ".dds") return D3DXIFF_DDS;
  return D3DXIFF_BMP;
}

HRESULT Decoded(const FakeImage& Image, const std::string& Name, DecodedImage* Out) {
  if (Image.Unreadable) return D3DXERR_INVALIDDATA;
  DecodedImage d;
  d.Image = Image32(Image.Width, Image.Height);
  std::fill(d.Image.Pixels.begin(), d.Image.Pixels.end(),
            Image.HasAlpha ? 0x80808080u : 0xFF808080u);
  d.HasAlpha = Image.HasAlpha;
  d.Info.Width = Image.Width;
  d.Info.Height = Image.Height;
  d.Info.Depth = 1;
  d.Info.MipLevels = 1;
  d.Info.Format = Image.HasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
  d.Info.ResourceType = D3DRTYPE_TEXTURE;
  d.Info.ImageFileFormat = FileFormatOf(Name);
  *Out = std::move(d);
  return D3D_OK;
}

}  // namespace

HRESULT FakeImages::DecodeFile(const std::string& Path, DecodedImage* Out) const {
  if (const FakeImage* scripted = FindImage(FMachine, Path)) return Decoded(*scripted, Path, Out);
  std::error_code error;
  if (!std::filesystem::is_regular_file(Path, error)) return D3DERR_NOTAVAILABLE;
  return Decoded(FakeImage{}, Path, Out);
}

HRESULT FakeImages::DecodeResource(HMODULE, const std::string& Name, DecodedImage* Out) const {
  if (const FakeImage* scripted = FindImage(FMachine, Name)) return Decoded(*scripted, Name, Out);
  if (!D3DXFindResource(Name)) return D3DXERR_INVALIDDATA;
  return Decoded(FakeImage{32, 32, false}, Name, Out);
}
