#include "shell/RealMaps.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QLockFile>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>

#include "engine/FindMediaFile.h"
#include "platform/render/gl/glimageheader.h"
#include "scene/Catalogue.h"
#include "shell/Settings.h"

extern char** environ;

namespace zelmar {

namespace {

struct TSource {
  const char* Path;  // below the root
  const char* Package;
  const char* Credit;
};

enum class TKind { Map, Ring };

struct TEntry {
  const char* Media;
  const char* Body;
  TKind Kind;
  std::vector<TSource> Sources;  // ties in size go to the earlier one
};

constexpr const char* kOpenUniverse = "openuniverse-common";
constexpr const char* kXplanet = "xplanet-images";
constexpr const char* kStellarium = "stellarium-data";
constexpr const char* kMarble = "marble-qt-data";

constexpr const char* kByOpenUniverse = "OpenUniverse, Raúl Alonso (GPL 2 or later)";
constexpr const char* kBySeal = "David Seal, maps.jpl.nasa.gov (Stellarium, GPL 2 or later)";
constexpr const char* kByVanVliet =
    "John van Vliet from PDS data, modified by RVS (Stellarium, CC BY-SA)";

// Only maps that cover the whole sphere in longitude and latitude: the packages' other
// pictures of the same bodies (a glow, a flat colour, a square icon) would wrap wrongly.
const std::vector<TEntry>& Entries() {
  static const std::vector<TEntry> entries{
      {"sun.jpg", "The Sun", TKind::Map, {{"stellarium/textures/sun.png", kStellarium, kBySeal}}},
      {"mercury.jpg",
       "Mercury",
       TKind::Map,
       {{"openuniverse/textures/mercury.jpg", kOpenUniverse, kByOpenUniverse},
        {"stellarium/textures/mercury.png", kStellarium,
         "NASA, MESSENGER data, coloured by RVS (Stellarium, GPL 2 or later)"}}},
      {"venus.jpg",
       "Venus",
       TKind::Map,
       {{"openuniverse/textures/venus.jpg", kOpenUniverse, kByOpenUniverse},
        {"stellarium/textures/venus.png", kStellarium,
         "Björn Jónsson, modified by RVS (Celestia, GPL 2 or later)"}}},
      {"earth.jpg",
       "Earth",
       TKind::Map,
       {{"marble/data/maps/earth/bluemarble/bluemarble.jpg", kMarble,
         "NASA Earth Observatory, Blue Marble Next Generation (public domain)"},
        {"xplanet/images/earth.jpg", kXplanet, "NASA Visible Earth, visibleearth.nasa.gov"},
        {"openuniverse/textures/earth.jpg", kOpenUniverse, kByOpenUniverse},
        {"stellarium/textures/earthmap.png", kStellarium,
         "NASA Earth Observatory, Reto Stöckli, MODIS data (public domain)"}}},
      {"mars.jpg",
       "Mars",
       TKind::Map,
       {{"openuniverse/textures/mars.jpg", kOpenUniverse, kByOpenUniverse},
        {"stellarium/textures/mars.png", kStellarium, kBySeal}}},
      {"jupiter.jpg",
       "Jupiter",
       TKind::Map,
       {{"openuniverse/textures/jupiter.jpg", kOpenUniverse, kByOpenUniverse},
        {"stellarium/textures/jupiter.png", kStellarium,
         "James Hastings-Trew from Cassini data (Stellarium)"}}},
      {"saturn.jpg",
       "Saturn",
       TKind::Map,
       {{"stellarium/textures/saturn.png", kStellarium, "Björn Jónsson (Stellarium)"},
        {"openuniverse/textures/saturn.jpg", kOpenUniverse, kByOpenUniverse}}},
      {"uranus.jpg",
       "Uranus",
       TKind::Map,
       {{"openuniverse/textures/uranus.jpg", kOpenUniverse, kByOpenUniverse},
        {"stellarium/textures/uranus.png", kStellarium, kBySeal}}},
      {"neptune.jpg",
       "Neptune",
       TKind::Map,
       {{"openuniverse/textures/neptune.jpg", kOpenUniverse, kByOpenUniverse},
        {"stellarium/textures/neptune.png", kStellarium, kBySeal}}},
      {"pluto.jpg", "Pluto", TKind::Map, {{"stellarium/textures/pluto.png", kStellarium, kBySeal}}},
      {"moon.jpg",
       "The Moon",
       TKind::Map,
       {{"stellarium/textures/moon_4k.jpg", kStellarium,
         "USGS Astrogeology and Clementine data (Stellarium, public domain)"},
        {"stellarium/textures/moon.png", kStellarium,
         "USGS Astrogeology and Clementine data (Stellarium, public domain)"},
        {"openuniverse/textures/moon.jpg", kOpenUniverse, kByOpenUniverse}}},
      // The moons that share a file wear the map of the one the file was painted for.
      {"red.jpg",
       "Io",
       TKind::Map,
       {{"openuniverse/textures/io.jpg", kOpenUniverse, kByOpenUniverse},
        {"stellarium/textures/io.png", kStellarium, kByVanVliet}}},
      {"bluegreen.jpg",
       "Europa",
       TKind::Map,
       {{"openuniverse/textures/europa.jpg", kOpenUniverse, kByOpenUniverse},
        {"stellarium/textures/europa.png", kStellarium, kByVanVliet}}},
      {"grey.jpg",
       "Ganymede",
       TKind::Map,
       {{"openuniverse/textures/ganymede.jpg", kOpenUniverse, kByOpenUniverse},
        {"stellarium/textures/ganymede.png", kStellarium,
         "USGS, modified by RVS (Stellarium, public domain)"}}},
      {"saturnRings.tga",
       "Saturn's ring",
       TKind::Ring,
       {{"stellarium/textures/saturn_rings_radial.png", kStellarium, "Björn Jónsson (Stellarium)"},
        {"openuniverse/textures/rings.jpg", kOpenUniverse, kByOpenUniverse}}},
  };
  return entries;
}

// Earth's map carries its clouds, as the generated one does: the scene has no cloud layer.
constexpr const char* kClouds = "openuniverse/textures/clouds.jpg";

// The sizes zelmar-media paints at High; Medium halves them and Low quarters them.
constexpr int kMapWidth = 1024;
constexpr int kRingSize = 1024;
constexpr const char* kQualities[3] = {"High", "Medium", "Low"};

// The ring strips run from the inner edge of the faint inner ring (74,510 km) to the outer
// edge of the outer ring (140,390 km), which is the edge of our ring's square.
constexpr double kRingInner = 74510.0 / 140390.0;

constexpr const char* kIndexHeader = "zelmar real maps 1";
// A build holds the lock for seconds; one held longer than this by a process that cannot be
// asked (another host's, on a shared home) is taken as left behind.
constexpr int kStaleLockMs = 10 * 60 * 1000;
// How long a background conversion waits for the start that asked for it to draw its first
// frames, unless that start ends sooner.
constexpr int kMapBuildDelayMs = 5000;
// How long --build-map-cache waits for another build of the same folder.
constexpr int kLockWaitMs = 5 * 60 * 1000;
// No map file comes near this; a larger one is not read.
constexpr qint64 kMaxSourceBytes = 64 << 20;

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

std::string Join(const std::string& root, const char* path) {
  return root.empty() || root.back() == '/' ? root + path : root + "/" + path;
}

std::string CachedName(const TEntry& e) {
  // The ring keeps its transparency in a PNG; the loader goes by the bytes, not the name.
  return e.Kind == TKind::Ring ? "saturnRings.png" : e.Media;
}

// One line per installed file that could be used: a change to any of them (installed,
// removed, upgraded) makes the cache stale. *any tells whether there was one.
std::string Signature(const std::string& root, bool* any) {
  std::ostringstream s;
  s << root << '\n';
  *any = false;
  auto add = [&](const char* rel) {
    const QFileInfo info(Q(Join(root, rel)));
    if (!info.isFile()) return;
    *any = true;
    s << rel << '\t' << info.size() << '\t' << info.lastModified().toMSecsSinceEpoch() << '\n';
  };
  for (const TEntry& e : Entries())
    for (const TSource& src : e.Sources) add(src.Path);
  add(kClouds);
  return s.str();
}

struct TDecoded {
  QImage Image;
  std::string Error;  // empty when Image holds the picture
};

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

int DeclaredWidth(const std::string& path) {
  QImageReader reader(Q(path));
  return reader.size().width();
}

struct TCandidate {
  const TSource* Source;
  std::string Path;
  int Width;
};

// The installed sources of an entry, sharpest first.
std::vector<TCandidate> Candidates(const std::string& root, const TEntry& e) {
  std::vector<TCandidate> list;
  for (const TSource& src : e.Sources) {
    const std::string path = Join(root, src.Path);
    if (QFileInfo(Q(path)).isFile()) list.push_back({&src, path, DeclaredWidth(path)});
  }
  std::stable_sort(list.begin(), list.end(),
                   [](const TCandidate& a, const TCandidate& b) { return a.Width > b.Width; });
  return list;
}

float Smooth(float e0, float e1, float x) {
  const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}

// Lays the cloud map (white where the sky is overcast) over the day map.
void AddClouds(QImage& day, const QImage& clouds) {
  const QImage c = clouds.convertToFormat(QImage::Format_Grayscale8)
                       .scaled(day.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  for (int y = 0; y < day.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(day.scanLine(y));
    const uchar* cl = c.constScanLine(y);
    for (int x = 0; x < day.width(); ++x) {
      // Thin haze stays clear so that the ground shows through, as it does from orbit.
      const float a = 0.85f * Smooth(0.45f, 0.95f, cl[x] / 255.0f);
      const auto mix = [a](int v) { return static_cast<int>(std::lround(v + (248 - v) * a)); };
      row[x] = qRgb(mix(qRed(row[x])), mix(qGreen(row[x])), mix(qBlue(row[x])));
    }
  }
}

struct TRingSample {
  float r, g, b, a;
};

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

bool WriteAtomically(const QString& path, const QByteArray& bytes, std::string* error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    *error = "cannot write " + path.toStdString() + ": " + file.errorString().toStdString();
    return false;
  }
  return true;
}

const TEntry* FindEntry(const std::string& media) {
  for (const TEntry& e : Entries())
    if (media == e.Media) return &e;
  return nullptr;
}

TRealMapChoice MakeChoice(const TEntry& e, const TCandidate& c) {
  return {e.Media, e.Body, c.Path, c.Source->Package, c.Source->Credit, c.Width};
}

std::string Instead(const std::vector<TCandidate>& list, std::size_t failed) {
  return failed + 1 < list.size() ? list[failed + 1].Path : std::string("its generated map");
}

// The index: the signature it was built for, then what each cached file came from and which
// installed files were passed over.
std::string IndexText(const std::string& signature, const TRealMapSet& set,
                      const std::vector<std::string>& damagedLines) {
  std::string text = std::string(kIndexHeader) + "\n" + signature + "--\n";
  for (const TRealMapChoice& c : set.Maps)
    text += "map\t" + c.Media + "\t" + c.Source + "\t" + std::to_string(c.Width) + "\n";
  for (const std::string& d : damagedLines) text += "damaged\t" + d + "\n";
  return text;
}

struct TIndex {
  TRealMapSet Set;
  std::vector<std::string> Messages;  // one per damaged map
};

std::string DamagedMessage(const std::string& path, const std::string& why, const std::string& body,
                           const std::string& instead) {
  return "the installed map " + path + " " + why + "; " + body + " wears " + instead + " instead";
}

std::optional<TIndex> ReadIndex(const std::string& cacheDir, const std::string& signature) {
  QFile file(Q(cacheDir + "/index"));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const std::string text = file.readAll().toStdString();
  const std::string head = std::string(kIndexHeader) + "\n" + signature + "--\n";
  if (text.compare(0, head.size(), head) != 0) return std::nullopt;
  TIndex index;
  std::istringstream lines(text.substr(head.size()));
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string v; std::getline(fields, v, '\t');) f.push_back(v);
    if (f.size() == 4 && f[0] == "map") {
      const TEntry* e = FindEntry(f[1]);
      if (!e) return std::nullopt;
      for (const TSource& src : e->Sources)
        if (f[2].size() >= std::string(src.Path).size() &&
            f[2].compare(f[2].size() - std::string(src.Path).size(), std::string::npos, src.Path) ==
                0)
          index.Set.Maps.push_back(
              {e->Media, e->Body, f[2], src.Package, src.Credit, std::atoi(f[3].c_str())});
      for (const char* q : kQualities)
        if (!QFileInfo(Q(cacheDir + "/" + q + "/" + CachedName(*e))).isFile()) return std::nullopt;
    } else if (f.size() == 5 && f[0] == "damaged") {
      index.Set.Damaged.push_back(f[1]);
      index.Messages.push_back(DamagedMessage(f[1], f[2], f[3], f[4]));
    } else {
      return std::nullopt;
    }
  }
  return index;
}

// Converts every installed map into the cache and writes the index last, so that a build cut
// short leaves the old index (or none) and the next start builds again.
std::optional<TIndex> Build(const std::string& root, const std::string& cacheDir,
                            const std::string& signature, std::string* error) {
  TIndex index;
  std::vector<std::string> damagedLines;
  std::map<std::string, bool> written;
  for (const char* q : kQualities) {
    if (!QDir().mkpath(Q(cacheDir + "/" + q))) {
      *error = "cannot create the folder " + cacheDir + "/" + q;
      return std::nullopt;
    }
  }
  auto noteDamaged = [&](const std::string& path, const std::string& why, const std::string& body,
                         const std::string& instead) {
    index.Set.Damaged.push_back(path);
    index.Messages.push_back(DamagedMessage(path, why, body, instead));
    damagedLines.push_back(path + "\t" + why + "\t" + body + "\t" + instead);
  };
  for (const TEntry& e : Entries()) {
    const std::vector<TCandidate> list = Candidates(root, e);
    for (std::size_t i = 0; i < list.size(); ++i) {
      const TCandidate& c = list[i];
      const bool ring = e.Kind == TKind::Ring;
      TDecoded d = Decode(c.Path, ring ? 0 : kMapWidth);
      if (!d.Error.empty()) {
        noteDamaged(c.Path, d.Error, e.Body, Instead(list, i));
        continue;
      }
      QImage high = ring ? QImage() : d.Image.convertToFormat(QImage::Format_RGB32);
      if (!ring && std::string(e.Media) == "earth.jpg") {
        const std::string cloudPath = Join(root, kClouds);
        if (QFileInfo(Q(cloudPath)).isFile()) {
          const TDecoded clouds = Decode(cloudPath, high.width());
          if (clouds.Error.empty())
            AddClouds(high, clouds.Image);
          else
            noteDamaged(cloudPath, clouds.Error, "Earth", "no clouds");
        }
      }
      const std::vector<TRingSample> profile =
          ring ? RingProfile(d.Image) : std::vector<TRingSample>();
      for (int level = 0; level < 3; ++level) {
        QImage img;
        if (ring) {
          img = PaintRing(profile, kRingSize >> level);
        } else {
          // Never larger than the source: a small map stays at its own size.
          const int w = std::min(high.width(), kMapWidth >> level);
          img = w == high.width() ? high
                                  : high.scaled(w, std::max(1, w * high.height() / high.width()),
                                                Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        const std::string path = cacheDir + "/" + kQualities[level] + "/" + CachedName(e);
        if (!WriteAtomically(Q(path), Encode(img, ring), error)) return std::nullopt;
        written[std::string(kQualities[level]) + "/" + CachedName(e)] = true;
      }
      index.Set.Maps.push_back(MakeChoice(e, c));
      break;
    }
  }
  // Maps of packages since removed must not be taken.
  for (const char* q : kQualities) {
    QDir dir(Q(cacheDir + "/" + q));
    for (const QString& name : dir.entryList(QDir::Files))
      if (!written.count(std::string(q) + "/" + name.toStdString())) dir.remove(name);
  }
  if (!WriteAtomically(Q(cacheDir + "/index"),
                       QByteArray::fromStdString(IndexText(signature, index.Set, damagedLines)),
                       error))
    return std::nullopt;
  return index;
}

// Whether several bodies of the catalogue name the file. The scene gives each body a texture
// of its own, but they load the same file.
bool SharedByBodies(const std::string& media) {
  int n = 0;
  for (const TBodyRow& row : kPlanetRows) n += media == row.TextureFile;
  for (const TBodyRow& row : kMoonRows) n += media == row.TextureFile;
  return n > 1;
}

void Install(const std::string& cacheDir, const TRealMapSet& set) {
  if (set.Maps.empty()) {
    SetMediaSubstitute(nullptr);
    return;
  }
  struct TTarget {
    std::string Path;
    // For a file several bodies share, the one texture that may wear the map: the body it
    // shows (Io's map on Io, never on Charon, which shares "red.jpg"). Empty: any.
    std::string Item;
  };
  std::map<std::string, TTarget> table;  // "High/earth.jpg" -> the cached file
  for (const TRealMapChoice& c : set.Maps)
    if (const TEntry* e = FindEntry(c.Media))
      for (const char* q : kQualities)
        table[std::string(q) + "/" + c.Media] = {cacheDir + "/" + q + "/" + CachedName(*e),
                                                 SharedByBodies(e->Media) ? e->Body : ""};
  SetMediaSubstitute([table](const std::string& found, const std::string& item) -> std::string {
    const QFileInfo info(Q(found));
    const auto it =
        table.find(info.dir().dirName().toStdString() + "/" + info.fileName().toStdString());
    if (it == table.end()) return {};
    if (!it->second.Item.empty() && it->second.Item != item) return {};
    return it->second.Path;
  });
}

void Say(const std::string& message) {
  std::fprintf(stderr, "zelmar: %s\n", message.c_str());
}

}  // namespace

std::string RealMapRoot() {
  if (const char* root = std::getenv("ZELMAR_MAP_ROOT")) return root;
  return "/usr/share";
}

std::string RealMapCacheDir() {
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && cache[0] == '/')
    return std::string(cache) + "/zelmar/maps";
  if (const char* home = std::getenv("HOME"); home && home[0] == '/')
    return std::string(home) + "/.cache/zelmar/maps";
  return {};
}

std::string MachineMapCacheDir() {
  if (const char* dir = std::getenv("ZELMAR_MACHINE_MAP_CACHE")) return dir;
  return ZELMAR_MACHINE_MAP_CACHE;
}

TRealMapSet UseRealMaps(const std::string& root, const std::string& machineDir,
                        const std::string& userDir, const TMapCacheBuilder& builder) {
  SetMediaSubstitute(nullptr);
  bool any = false;
  const std::string signature = Signature(root, &any);
  if (!any) return {};
  auto use = [&](const std::string& dir, const TIndex& index) {
    for (const std::string& m : index.Messages) Say(m);
    Install(dir, index.Set);
    return index.Set;
  };
  if (!machineDir.empty())
    if (auto index = ReadIndex(machineDir, signature)) return use(machineDir, *index);
  if (userDir.empty()) {
    Say("no cache folder (neither XDG_CACHE_HOME nor HOME is set); the installed planet maps "
        "are not used");
    return {};
  }
  if (auto index = ReadIndex(userDir, signature)) return use(userDir, *index);

  // Converting the maps takes seconds: this start draws at once with the generated maps and a
  // process of its own converts them for the next. A build under way already (another screen's
  // instance started it) is not started twice.
  if (!QDir().mkpath(Q(userDir))) {
    Say("cannot create the map cache " + userDir + "; the generated planet maps are used");
    return {};
  }
  QLockFile lock(Q(userDir + "/lock"));
  lock.setStaleLockTime(kStaleLockMs);
  if (!lock.tryLock(0)) return {};
  lock.unlock();
  if (!builder || !builder(root, userDir)) {
    Say("cannot start converting the installed planet maps into " + userDir +
        "; the generated planet maps are used");
    return {};
  }
  Say("converting the installed planet maps into " + userDir +
      " in the background; they are drawn from the next start on");
  return {};
}

std::string BuildRealMapCache(const std::string& root, const std::string& dir) {
  if (dir.empty()) return "no cache folder was given";
  if (!QDir().mkpath(Q(dir))) return "cannot create the folder " + dir;
  // Instances started together (one per screen) build the cache once; the others wait for it.
  QLockFile lock(Q(dir + "/lock"));
  lock.setStaleLockTime(kStaleLockMs);
  if (!lock.tryLock(kLockWaitMs))
    return "the map cache " + dir + " stays locked by another build (" + dir + "/lock)";
  bool any = false;
  const std::string signature = Signature(root, &any);
  std::optional<TIndex> index = ReadIndex(dir, signature);
  std::string error;
  if (!index) index = Build(root, dir, signature, &error);
  if (!index) return error;
  for (const std::string& m : index->Messages) Say(m);
  return {};
}

bool StartMapCacheBuild(const std::string& root, const std::string& dir) {
  const std::string exe = ProgramPath();
  if (exe.empty()) return false;
  // Everything the child needs is made before fork: a threaded process may call only
  // async-signal-safe functions between fork and exec.
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e)
    if (std::string(*e).rfind("ZELMAR_MAP_ROOT=", 0) != 0) env.emplace_back(*e);
  env.push_back("ZELMAR_MAP_ROOT=" + root);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string arg0 = exe, option = "--build-map-cache", folder = dir;
  char* argv[] = {arg0.data(), option.data(), folder.data(), nullptr};
  const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (devNull < 0) return false;
  // The conversion must not slow this start's first frame: it waits until this process ends
  // (the write end of the pipe, held here, closes) or kMapBuildDelayMs have passed.
  int saverAlive[2];
  if (pipe2(saverAlive, O_CLOEXEC) != 0) {
    close(devNull);
    return false;
  }

  const pid_t child = fork();
  if (child < 0) {
    close(devNull);
    close(saverAlive[0]);
    close(saverAlive[1]);
    return false;
  }
  if (child == 0) {
    // A grandchild in a session of its own outlives the saver, and init reaps it.
    setsid();
    if (fork() != 0) _exit(0);
    close(saverAlive[1]);
    setpriority(PRIO_PROCESS, 0, 19);
    pollfd wait{saverAlive[0], POLLIN, 0};
    while (poll(&wait, 1, kMapBuildDelayMs) < 0 && errno == EINTR) {
    }
    dup2(devNull, STDIN_FILENO);
    dup2(devNull, STDOUT_FILENO);
    execve(argv[0], argv, envp.data());
    _exit(127);
  }
  close(devNull);
  close(saverAlive[0]);  // the write end stays open for as long as this process runs
  int status = 0;
  while (waitpid(child, &status, 0) < 0)
    if (errno != EINTR) return true;  // reaped elsewhere (SIGCHLD ignored): it did start
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TRealMapSet ChooseRealMaps(const std::string& root) {
  TRealMapSet set;
  for (const TEntry& e : Entries()) {
    for (const TCandidate& c : Candidates(root, e)) {
      QFile file(Q(c.Path));
      QByteArray bytes;
      if (file.size() <= kMaxSourceBytes && file.open(QIODevice::ReadOnly)) bytes = file.readAll();
      if (!CheckImageHeader(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                            static_cast<std::size_t>(bytes.size()))) {
        set.Damaged.push_back(c.Path);
        continue;
      }
      set.Maps.push_back(MakeChoice(e, c));
      break;
    }
  }
  return set;
}

std::string RealMapCredits(const std::string& root) {
  const TRealMapSet set = ChooseRealMaps(root);
  if (set.Maps.empty())
    return "Planet maps: all generated. Installing openuniverse-common, xplanet-images,\n"
           "stellarium-data or marble-qt-data gives the bodies they cover real maps.\n";
  std::string text = "Planet maps in use, from other packages (their makers ask to be named):\n";
  for (const TRealMapChoice& c : set.Maps)
    text += "  " + c.Body + ": " + c.Credit + "; " + c.Package + "\n";
  text += "Other bodies wear generated maps.\n";
  return text;
}

}  // namespace zelmar
