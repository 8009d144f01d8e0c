#include "platform/render/win32/WicImage.h"

#include <objbase.h>
#include <wincodec.h>
#include <windows.h>

#include <fstream>

#include "platform/render/gl/glimageheader.h"
#include "platform/render/ref.h"
#include "platform/render/win32/TargaReader.h"

namespace {

IWICImagingFactory* Factory() {
  // Apartment-threaded like the rest of the user interface; a thread that already chose another
  // model keeps it, and the factory works in either.
  static IWICImagingFactory* factory = [] {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* f = nullptr;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(&f))))
      f = nullptr;
    return f;
  }();
  return factory;
}

bool DecodeWic(const std::uint8_t* data, std::size_t size, DecodedImage32& out) {
  IWICImagingFactory* factory = Factory();
  if (!factory || size > 0xFFFFFFFFu) return false;
  Ref<IWICStream> stream;
  Ref<IWICBitmapDecoder> decoder;
  Ref<IWICBitmapFrameDecode> frame;
  Ref<IWICFormatConverter> converter;
  if (FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size))) ||
      FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnLoad,
                                              &decoder)) ||
      FAILED(decoder->GetFrame(0, &frame)))
    return false;
  UINT width = 0, height = 0;
  WICPixelFormatGUID format{};
  if (FAILED(frame->GetSize(&width, &height)) || FAILED(frame->GetPixelFormat(&format)))
    return false;
  Ref<IWICComponentInfo> info;
  Ref<IWICPixelFormatInfo> formatInfo;
  UINT bits = 32;
  if (SUCCEEDED(factory->CreateComponentInfo(format, &info)) &&
      SUCCEEDED(
          info->QueryInterface(IID_IWICPixelFormatInfo, reinterpret_cast<void**>(&formatInfo))))
    formatInfo->GetBitsPerPixel(&bits);
  if (FAILED(factory->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return false;
  Image32 image(width, height);
  // BGRA bytes are A8R8G8B8 words on a little-endian machine.
  if (FAILED(converter->CopyPixels(nullptr, width * 4, width * height * 4,
                                   reinterpret_cast<BYTE*>(image.Pixels.data()))))
    return false;
  out.Image = std::move(image);
  out.BitsPerPixel = bits;
  return true;
}

}  // namespace

ImageResult DecodeImageBytes(const std::uint8_t* data, std::size_t size, DecodedImage32& out) {
  const auto header = CheckImageHeader(data, size);
  if (!header) return ImageResult::Invalid;
  DecodedImage32 d;
  if (header->kind == ImageKind::Targa) {
    TargaInfo info;
    if (!ReadTarga(data, size, d.Image, &info)) return ImageResult::Invalid;
    d.Kind = ImageFileKind::Targa;
    d.BitsPerPixel = info.BitsPerPixel;
  } else {
    d.Kind = header->kind == ImageKind::Jpeg  ? ImageFileKind::Jpeg
             : header->kind == ImageKind::Png ? ImageFileKind::Png
                                              : ImageFileKind::Bmp;
    if (!DecodeWic(data, size, d)) return ImageResult::Invalid;
  }
  if (d.Image.Width != header->width || d.Image.Height != header->height)
    return ImageResult::Invalid;
  d.HasAlpha = d.Image.HasTranslucency();
  out = std::move(d);
  return ImageResult::Ok;
}

ImageResult DecodeImageFile(const std::string& path, DecodedImage32& out) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return ImageResult::Missing;
  std::ifstream file(path, std::ios::binary);
  if (!file) return ImageResult::Invalid;
  file.seekg(0, std::ios::end);
  const std::streamoff length = file.tellg();
  // A file of more bytes than the largest image allowed could take is not a texture.
  if (length < 0 || static_cast<std::uint64_t>(length) > kMaxImagePixels * 4 + (1u << 20))
    return ImageResult::Invalid;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
  file.seekg(0);
  if (!file.read(reinterpret_cast<char*>(bytes.data()), length)) return ImageResult::Invalid;
  return DecodeImageBytes(bytes.data(), bytes.size(), out);
}
