// Frames read back from the GL backend, written with the toolkit's PNG writer.
#include <QImage>
#include <QSaveFile>
#include <algorithm>

#include "platform/render/gl/GLBackend.h"
#include "shell/modes/FrameReadBack.h"

namespace zelmar {

bool ReadBackFrame(IDirect3DDevice9* Device, TFramePicture& Picture) {
  // The back buffer's alpha is no part of the picture (its format has none that counts); kept,
  // it would let a viewer's background show through.
  const QImage Shot = GLGrabBackBuffer(Device).convertToFormat(QImage::Format_RGB32);
  if (Shot.isNull()) return false;
  Picture.Width = Shot.width();
  Picture.Height = Shot.height();
  Picture.Pixels.resize(static_cast<std::size_t>(Picture.Width) * Picture.Height);
  for (int Y = 0; Y < Picture.Height; ++Y) {
    const auto* Row = reinterpret_cast<const std::uint32_t*>(Shot.constScanLine(Y));
    std::copy(Row, Row + Picture.Width,
              Picture.Pixels.begin() + static_cast<std::ptrdiff_t>(Y) * Picture.Width);
  }
  return true;
}

std::string WritePng(const std::string& File, const TFramePicture& Picture) {
  const QImage Image(reinterpret_cast<const uchar*>(Picture.Pixels.data()), Picture.Width,
                     Picture.Height, Picture.Width * 4, QImage::Format_RGB32);
  QSaveFile Out(QString::fromStdString(File));
  if (!Out.open(QIODevice::WriteOnly) || !Image.save(&Out, "PNG") || !Out.commit())
    return Out.errorString().toLocal8Bit().toStdString();
  return {};
}

}  // namespace zelmar
