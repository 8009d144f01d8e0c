// Any bytes as a texture file: decoding never crashes, and what it accepts has the size it
// reports and no more pixels than a texture file may declare.
#include <QtGlobal>
#include <cstdint>
#include <cstdlib>

#include "platform/render/d3dx/ImageFiles.h"
#include "platform/render/d3dx/ImageHeader.h"

namespace {

// The decoders' complaints about bad files are expected here by the million.
void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qInstallMessageHandler(Quiet);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DecodedImage d;
  if (FAILED(ImageFiles::DecodeBytes(data, size, &d))) return 0;
  if (d.Image.Width != d.Info.Width || d.Image.Height != d.Info.Height ||
      std::uint64_t{d.Info.Width} * d.Info.Height > kMaxImagePixels ||
      d.Image.Pixels.size() != std::size_t{d.Image.Width} * d.Image.Height)
    std::abort();
  return 0;
}
