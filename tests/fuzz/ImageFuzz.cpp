// Any bytes as a texture file: decoding never crashes, and what it accepts has the size it
// reports and no more pixels than a texture file may declare.
#include <QtGlobal>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/render/gl/glimage.h"
#include "platform/render/gl/glimageheader.h"

namespace {

// The decoders' complaints about bad files are expected here by the million.
void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qInstallMessageHandler(Quiet);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<BYTE> bytes(data, data + size);
  DecodedImage d;
  if (FAILED(DecodeImageBytes(bytes, &d))) return 0;
  if (d.image.width() != static_cast<int>(d.info.Width) ||
      d.image.height() != static_cast<int>(d.info.Height) ||
      std::uint64_t{d.info.Width} * d.info.Height > kMaxImagePixels ||
      d.image.format() != QImage::Format_ARGB32)
    std::abort();
  return 0;
}
