#include "shell/realmaps/RealMapImage.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>
#include <cmath>

#include "platform/render/d3dx/ImageHeader.h"
#include "shell/realmaps/RealMapSources.h"

namespace zelmar::real_maps {

namespace {

// The ring strips run from the inner edge of the faint inner ring (74,510 km) to the outer
// edge of the outer ring (140,390 km), which is the edge of our ring's square.
constexpr double kRingInner = 74510.0 / 140390.0;

float Smooth(float e0, float e1, float x) {
  const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}

}  // namespace

// Reads a whole file, checks that it holds together, and decodes it at most at the given
// width (0: its own size), keeping its proportions.
TDecoded Decode(const std::string& path, int maxWidth) {
  QFile file(Q(path));
  if (!file.open(QIODevice::ReadOnly)) return {{}, "cannot be opened"};
  if (file.size() > kMaxSourceBytes) return {{}, "is too large"};
  const QByteArray bytes = file.readAll();
  if (bytes.size() != file.size()) return {{}, "cannot be read"};
  const auto header = CheckImageHeader(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                       static_cast<std::size_t>(bytes.size()));
  if (!header) return {{}, "is damaged or not an image"};
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  const int w = static_cast<int>(header->width), h = static_cast<int>(header->height);
  // Decoding straight at the smaller size lets the JPEG decoder skip most of the work.
  if (maxWidth > 0 && w > maxWidth)
    reader.setScaledSize(
        QSize(maxWidth, std::max(1, static_cast<int>(std::lround(double(h) * maxWidth / w)))));
  QImage image = reader.read();
  if (image.isNull()) return {{}, "is damaged or not an image"};
  return {std::move(image), {}};
}

// The cloud layer of a cloud map (white where the sky is overcast): white texels whose alpha
// is the cover.
QImage CloudLayer(const QImage& clouds) {
  const QImage c = clouds.convertToFormat(QImage::Format_Grayscale8);
  QImage layer(c.size(), QImage::Format_ARGB32);
  for (int y = 0; y < c.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(layer.scanLine(y));
    const uchar* cl = c.constScanLine(y);
    for (int x = 0; x < c.width(); ++x) {
      // Thin haze stays clear so that the ground shows through, as it does from orbit.
      const float a = 0.85f * Smooth(0.45f, 0.95f, cl[x] / 255.0f);
      row[x] = qRgba(248, 248, 248, static_cast<int>(std::lround(255.0f * a)));
    }
  }
  return layer;
}

// The strip's colours and opacity from the inner edge (first) to the outer edge (last). A strip
// without transparency (a plain JPEG) gives its brightness as the opacity: the ring's gaps are
// its dark lines.
std::vector<TRingSample> RingProfile(const QImage& strip) {
  const QImage img = strip.convertToFormat(QImage::Format_ARGB32);
  const bool alpha = strip.hasAlphaChannel();
  std::vector<TRingSample> p(static_cast<std::size_t>(img.width()));
  for (int x = 0; x < img.width(); ++x) {
    TRingSample s{0, 0, 0, 0};
    for (int y = 0; y < img.height(); ++y) {
      const QRgb c = img.pixel(x, y);
      s.r += qRed(c) / 255.0f, s.g += qGreen(c) / 255.0f, s.b += qBlue(c) / 255.0f;
      s.a += qAlpha(c) / 255.0f;
    }
    const float n = static_cast<float>(img.height());
    p[std::size_t(x)] = {s.r / n, s.g / n, s.b / n, s.a / n};
  }
  if (!alpha) {
    float top = 0;
    for (const TRingSample& s : p) top = std::max(top, (s.r + s.g + s.b) / 3);
    for (TRingSample& s : p) {
      const float v = top > 0 ? (s.r + s.g + s.b) / 3 / top : 0;
      // The ring's sunlit ice is a pale tan, whatever the grey strip says.
      s = {0.9f * (0.8f + 0.2f * v), 0.83f * (0.8f + 0.2f * v), 0.7f * (0.8f + 0.2f * v), v};
    }
  }
  return p;
}

// The ring seen from above in a square, as the generated one is: the strip runs outward from
// kRingInner to the middle of each edge. 2 x 2 samples a texel, averaged with their opacity.
QImage PaintRing(const std::vector<TRingSample>& profile, int size) {
  QImage out(size, size, QImage::Format_ARGB32);
  const float half = size / 2.0f;
  const int n = static_cast<int>(profile.size());
  for (int y = 0; y < size; ++y) {
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < size; ++x) {
      TRingSample sum{0, 0, 0, 0};
      for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i) {
          const float dx = (x + (i + 0.5f) / 2 - half) / half;
          const float dy = (y + (j + 0.5f) / 2 - half) / half;
          const float r = std::sqrt(dx * dx + dy * dy);
          if (r < kRingInner || r > 1.0f) continue;
          const float u = static_cast<float>((r - kRingInner) / (1.0 - kRingInner)) * (n - 1);
          const int k = std::min(static_cast<int>(u), n - 2 < 0 ? 0 : n - 2);
          const float t = n > 1 ? u - k : 0;
          const TRingSample& a = profile[std::size_t(k)];
          const TRingSample& b = profile[std::size_t(std::min(k + 1, n - 1))];
          const float al = a.a + (b.a - a.a) * t;
          sum.r += (a.r + (b.r - a.r) * t) * al;
          sum.g += (a.g + (b.g - a.g) * t) * al;
          sum.b += (a.b + (b.b - a.b) * t) * al;
          sum.a += al;
        }
      if (sum.a <= 0) {
        row[x] = 0;
        continue;
      }
      const auto c = [&](float v) {
        return std::clamp(static_cast<int>(std::lround(v / sum.a * 255)), 0, 255);
      };
      row[x] = qRgba(c(sum.r), c(sum.g), c(sum.b),
                     std::clamp(static_cast<int>(std::lround(sum.a / 4 * 255)), 0, 255));
    }
  }
  return out;
}

QByteArray Encode(const QImage& img, bool png) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, png ? "png" : "jpeg");
  if (!png) writer.setQuality(88);
  writer.write(png ? img : img.convertToFormat(QImage::Format_RGB32));
  return bytes;
}

}  // namespace zelmar::real_maps
