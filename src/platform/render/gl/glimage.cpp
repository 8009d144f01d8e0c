#include "platform/render/gl/glimage.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>

#include "platform/render/gl/glimageheader.h"

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

QImage Read(const QByteArray& data, const char* format) {
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  return reader.read();
}

// A file of more bytes than the largest image allowed could take is not a texture.
constexpr qint64 kMaxImageFileBytes = static_cast<qint64>(kMaxImagePixels * 4 + (1 << 20));

HRESULT Decode(const QByteArray& data, DecodedImage* out) {
  // The bytes decide the decoder, never the name: a header is checked first, so no decoder
  // sees a file that is truncated or declares more than its bytes can hold.
  const auto header = CheckImageHeader(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                       static_cast<std::size_t>(data.size()));
  if (!header) return D3DXERR_INVALIDDATA;
  QImage image;
  D3DXIMAGE_FILEFORMAT fileFormat = D3DXIFF_BMP;
  switch (header->kind) {
    case ImageKind::Bmp:
      image = Read(data, "bmp");
      break;
    case ImageKind::Jpeg:
      image = Read(data, "jpeg");
      fileFormat = D3DXIFF_JPG;
      break;
    case ImageKind::Png:
      image = Read(data, "png");
      fileFormat = D3DXIFF_PNG;
      break;
    case ImageKind::Targa: {
      // Qt reads only Targa files that end in the version 2 footer; older files are the same
      // image without it, so give them one.
      static const char footer[26] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";
      const QByteArray signature(footer + 8, 18);
      image =
          Read(data.endsWith(signature) ? data : data + QByteArray(footer, sizeof footer), "tga");
      fileFormat = D3DXIFF_TGA;
      break;
    }
  }
  if (image.isNull() || image.width() != static_cast<int>(header->width) ||
      image.height() != static_cast<int>(header->height))
    return D3DXERR_INVALIDDATA;
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
  d.info.ImageFileFormat = fileFormat;
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
  // There but unreadable is bad data, not a missing file.
  if (!file.open(QIODevice::ReadOnly)) return D3DXERR_INVALIDDATA;
  if (file.size() > kMaxImageFileBytes) return D3DXERR_INVALIDDATA;
  const QByteArray data = file.read(file.size());
  // A read error or a file that shrank under us is as good as a truncated one.
  if (file.error() != QFileDevice::NoError || data.size() != file.size())
    return D3DXERR_INVALIDDATA;
  return Decode(data, out);
}

HRESULT DecodeImageBytes(const std::vector<BYTE>& bytes, DecodedImage* out) {
  if (bytes.size() > static_cast<std::size_t>(kMaxImageFileBytes)) return D3DXERR_INVALIDDATA;
  const QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                        static_cast<qsizetype>(bytes.size()));
  return Decode(data, out);
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
