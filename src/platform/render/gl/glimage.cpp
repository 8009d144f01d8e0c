#include "platform/render/gl/glimage.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>

namespace {

QString ExistingPath(const std::string& path) {
  QString p = QString::fromLocal8Bit(path.c_str());
  if (QFileInfo(p).isFile()) return p;
  p.replace(QLatin1Char('\\'), QLatin1Char('/'));
  if (QFileInfo(p).isFile()) return p;
  // The media names the same file with different letter cases; look for a case-insensitive
  // match of the last component.
  QFileInfo info(p);
  QDir dir = info.dir();
  if (!dir.exists()) return {};
  const QStringList entries = dir.entryList(QDir::Files);
  for (const QString& e : entries)
    if (e.compare(info.fileName(), Qt::CaseInsensitive) == 0) return dir.filePath(e);
  return {};
}

D3DXIMAGE_FILEFORMAT FileFormatOf(const QByteArray& qtFormat) {
  if (qtFormat == "jpeg" || qtFormat == "jpg") return D3DXIFF_JPG;
  if (qtFormat == "tga") return D3DXIFF_TGA;
  if (qtFormat == "png") return D3DXIFF_PNG;
  return D3DXIFF_BMP;
}

QImage Read(const QByteArray& data, const QByteArray& format) {
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  return reader.read();
}

HRESULT Decode(const QByteArray& data, const QString& nameHint, DecodedImage* out) {
  // The extension decides first: Targa files carry no signature, and other decoders (the
  // wireless bitmap one) would claim their header. Failing that, the bytes decide.
  QByteArray format = QFileInfo(nameHint).suffix().toLower().toLatin1();
  if (format == "jpg") format = "jpeg";
  // Qt reads only Targa files that end in the version 2 footer; older files are the same
  // image without it, so give them one.
  auto readTarga = [&] {
    static const char footer[26] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";
    const QByteArray signature(footer + 8, 18);
    return Read(data.endsWith(signature) ? data : data + QByteArray(footer, sizeof footer), "tga");
  };
  QImage image;
  if (format == "tga")
    image = readTarga();
  else if (QImageReader::supportedImageFormats().contains(format))
    image = Read(data, format);
  // Too short for any image header: not worth asking the decoders, which complain.
  if (image.isNull() && data.size() >= 26) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    format = QImageReader::imageFormat(&buffer);
    if (!format.isEmpty()) image = Read(data, format);
  }
  const bool targaHeader = data.size() > 18 && static_cast<unsigned char>(data[1]) <= 1 &&
                           (data[2] == 2 || data[2] == 3 || data[2] == 10 || data[2] == 11);
  if (image.isNull() && format != "tga" && targaHeader) {
    // A resource name has no extension to tell a Targa image by.
    image = readTarga();
    if (!image.isNull()) format = "tga";
  }
  if (image.isNull()) return D3DXERR_INVALIDDATA;
  DecodedImage d;
  d.image = image.convertToFormat(QImage::Format_ARGB32);
  // Some decoders (Targa) give every image an alpha channel; only a channel that says
  // something other than opaque counts.
  if (image.hasAlphaChannel()) {
    for (int y = 0; y < d.image.height() && !d.hasAlpha; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(d.image.constScanLine(y));
      for (int x = 0; x < d.image.width(); ++x)
        if ((row[x] >> 24) != 0xFF) {
          d.hasAlpha = true;
          break;
        }
    }
  }
  d.info.Width = static_cast<UINT>(image.width());
  d.info.Height = static_cast<UINT>(image.height());
  d.info.Depth = 1;
  d.info.MipLevels = 1;
  d.info.ResourceType = D3DRTYPE_TEXTURE;
  d.info.ImageFileFormat = FileFormatOf(format);
  if (d.hasAlpha)
    d.info.Format = D3DFMT_A8R8G8B8;
  else if (image.depth() == 24 && d.info.ImageFileFormat != D3DXIFF_JPG)
    d.info.Format = D3DFMT_R8G8B8;  // a 24-bit bitmap or Targa; JPEG reads as X8R8G8B8
  else
    d.info.Format = D3DFMT_X8R8G8B8;
  *out = std::move(d);
  return D3D_OK;
}

}  // namespace

HRESULT DecodeImageFile(const std::string& path, DecodedImage* out) {
  const QString found = ExistingPath(path);
  if (found.isEmpty()) return D3DERR_NOTAVAILABLE;
  QFile file(found);
  if (!file.open(QIODevice::ReadOnly)) return D3DERR_NOTAVAILABLE;
  return Decode(file.readAll(), found, out);
}

HRESULT DecodeImageBytes(const std::vector<BYTE>& bytes, const std::string& nameHint,
                         DecodedImage* out) {
  const QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                        static_cast<qsizetype>(bytes.size()));
  return Decode(data, QString::fromStdString(nameHint), out);
}

void ApplyColorKey(QImage* image, D3DCOLOR key) {
  if (key == 0) return;
  for (int y = 0; y < image->height(); ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(image->scanLine(y));
    for (int x = 0; x < image->width(); ++x)
      if (row[x] == key) row[x] = 0;
  }
}

namespace {

std::uint32_t Average(const std::uint32_t* p, int n) {
  std::uint32_t sum[4] = {};
  for (int i = 0; i < n; ++i)
    for (int c = 0; c < 4; ++c) sum[c] += (p[i] >> (8 * c)) & 0xFF;
  std::uint32_t r = 0;
  for (int c = 0; c < 4; ++c) r |= ((sum[c] + n / 2) / n) << (8 * c);
  return r;
}

bool Nearest(DWORD filter) {
  const DWORD kind = filter & 0xFF;
  return kind == D3DX_FILTER_NONE || kind == D3DX_FILTER_POINT;
}

}  // namespace

QImage ResampleImage(const QImage& image, UINT width, UINT height, DWORD filter) {
  if (static_cast<UINT>(image.width()) == width && static_cast<UINT>(image.height()) == height)
    return image;
  if (!Nearest(filter))
    return image
        .scaled(static_cast<int>(width), static_cast<int>(height), Qt::IgnoreAspectRatio,
                Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32);
  QImage out(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32);
  for (UINT y = 0; y < height; ++y) {
    // Sample at the destination pixel's centre, mapped into the source.
    const int sy = static_cast<int>((y * 2 + 1) * static_cast<UINT>(image.height()) / (height * 2));
    const auto* src = reinterpret_cast<const std::uint32_t*>(image.constScanLine(sy));
    auto* dst = reinterpret_cast<std::uint32_t*>(out.scanLine(static_cast<int>(y)));
    for (UINT x = 0; x < width; ++x)
      dst[x] = src[(x * 2 + 1) * static_cast<UINT>(image.width()) / (width * 2)];
  }
  return out;
}

QImage NextMipLevel(const QImage& image, DWORD filter) {
  const int w = std::max(1, image.width() / 2), h = std::max(1, image.height() / 2);
  QImage out(w, h, QImage::Format_ARGB32);
  const bool nearest = Nearest(filter);
  for (int y = 0; y < h; ++y) {
    const int y0 = std::min(2 * y, image.height() - 1),
              y1 = std::min(2 * y + 1, image.height() - 1);
    const auto* r0 = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y0));
    const auto* r1 = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y1));
    auto* dst = reinterpret_cast<std::uint32_t*>(out.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const int x0 = std::min(2 * x, image.width() - 1),
                x1 = std::min(2 * x + 1, image.width() - 1);
      if (nearest) {
        dst[x] = r0[x0];
      } else {
        const std::uint32_t quad[4] = {r0[x0], r0[x1], r1[x0], r1[x1]};
        dst[x] = Average(quad, 4);
      }
    }
  }
  return out;
}

UINT FullMipCount(UINT width, UINT height) {
  UINT levels = 1;
  for (UINT s = std::max(width, height); s > 1; s /= 2) ++levels;
  return levels;
}
