// BMP, JPEG and PNG files through Qt's image readers (JPEG through libjpeg).
#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <cstring>

#include "platform/render/d3dx/ImageDecoder.h"

bool DecodePlatformImage(ImageKind kind, const std::uint8_t* data, std::size_t size, Image32& out,
                         std::uint32_t& bitsPerPixel) {
  const char* format = kind == ImageKind::Jpeg ? "jpeg" : kind == ImageKind::Png ? "png" : "bmp";
  QBuffer buffer;
  buffer.setData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  const QImage image = reader.read();
  if (image.isNull()) return false;
  // Format_ARGB32's words are Direct3D's A8R8G8B8.
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  Image32 decoded(static_cast<std::uint32_t>(argb.width()),
                  static_cast<std::uint32_t>(argb.height()));
  for (std::uint32_t y = 0; y < decoded.Height; ++y)
    std::memcpy(&decoded.At(0, y), argb.constScanLine(static_cast<int>(y)),
                std::size_t{decoded.Width} * 4);
  out = std::move(decoded);
  bitsPerPixel = static_cast<std::uint32_t>(image.depth());
  return true;
}

bool FindModuleResource(HMODULE, const std::string&, std::vector<std::uint8_t>&) {
  return false;
}
