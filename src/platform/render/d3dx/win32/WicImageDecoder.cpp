// BMP, JPEG and PNG files through the Windows Imaging Component, and the program's own RCDATA
// resources.
#include <objbase.h>
#include <wincodec.h>
#include <windows.h>

#include <cstring>

#include "platform/render/Ref.h"
#include "platform/render/d3dx/ImageDecoder.h"

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

}  // namespace

bool DecodePlatformImage(ImageKind, const std::uint8_t* data, std::size_t size, Image32& out,
                         std::uint32_t& bitsPerPixel) {
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
  out = std::move(image);
  bitsPerPixel = bits;
  return true;
}

bool FindModuleResource(HMODULE module, const std::string& name, std::vector<std::uint8_t>& bytes) {
  HRSRC found = FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(10));  // RT_RCDATA
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return false;
  const auto* begin = static_cast<const std::uint8_t*>(data);
  bytes.assign(begin, begin + SizeofResource(module, found));
  return true;
}
