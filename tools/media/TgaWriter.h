// Writes 32-bit Targa files (uncompressed true colour with 8 alpha bits, top row first),
// which Qt's Targa plugin reads but cannot write.
#pragma once

#include <QByteArray>
#include <QImage>

namespace zelmar::media {

QByteArray EncodeTga(const QImage& image);

}  // namespace zelmar::media
