#include "media/TgaWriter.h"

namespace zelmar::media {

QByteArray EncodeTga(const QImage& image) {
  const QImage img = image.convertToFormat(QImage::Format_ARGB32);
  const int w = img.width(), h = img.height();
  QByteArray out;
  out.reserve(18 + w * h * 4);
  auto put16 = [&](int v) {
    out.append(static_cast<char>(v & 0xff));
    out.append(static_cast<char>((v >> 8) & 0xff));
  };
  out.append(char(0));     // no image id
  out.append(char(0));     // no colour map
  out.append(char(2));     // uncompressed true colour
  out.append(5, char(0));  // colour map fields, unused
  put16(0);                // x origin
  put16(0);                // y origin
  put16(w);
  put16(h);
  out.append(char(32));    // bits per pixel
  out.append(char(0x28));  // 8 alpha bits, first row is the top one
  for (int y = 0; y < h; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < w; ++x) {
      out.append(static_cast<char>(qBlue(line[x])));
      out.append(static_cast<char>(qGreen(line[x])));
      out.append(static_cast<char>(qRed(line[x])));
      out.append(static_cast<char>(qAlpha(line[x])));
    }
  }
  // The version 2 footer (no extension area, no developer directory); Qt's reader insists
  // on it.
  out.append(8, char(0));
  out.append("TRUEVISION-XFILE.");
  out.append(char(0));
  return out;
}

}  // namespace zelmar::media
