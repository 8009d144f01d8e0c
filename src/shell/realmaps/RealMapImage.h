// The image work of the map conversion: decoding an installed map, making Earth's cloud layer,
// painting Saturn's ring from a strip, encoding what the cache keeps.
#pragma once

#include <QByteArray>
#include <QImage>
#include <string>
#include <vector>

namespace zelmar::real_maps {

// The sizes zelmar-media paints at High; Medium halves them and Low quarters them.
constexpr int kMapWidth = 1024;
constexpr int kRingSize = 1024;
// No map file comes near this; a larger one is not read.
constexpr qint64 kMaxSourceBytes = 64 << 20;

struct TDecoded {
  QImage Image;
  std::string Error;  // empty when Image holds the picture
};

// Reads a whole file, checks that it holds together, and decodes it at most at the given
// width (0: its own size), keeping its proportions.
TDecoded Decode(const std::string& path, int maxWidth);

// The cloud layer of a cloud map (white where the sky is overcast): white texels whose alpha
// is the cover.
QImage CloudLayer(const QImage& clouds);

struct TRingSample {
  float r, g, b, a;
};

// The strip's colours and opacity from the inner edge (first) to the outer edge (last). A strip
// without transparency (a plain JPEG) gives its brightness as the opacity: the ring's gaps are
// its dark lines.
std::vector<TRingSample> RingProfile(const QImage& strip);

// The ring seen from above in a square, as the generated one is: the strip runs outward from
// kRingInner to the middle of each edge. 2 x 2 samples a texel, averaged with their opacity.
QImage PaintRing(const std::vector<TRingSample>& profile, int size);

// The cache's file: a PNG (the ring keeps its transparency) or a JPEG.
QByteArray Encode(const QImage& img, bool png);

}  // namespace zelmar::real_maps
