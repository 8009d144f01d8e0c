#include "shell/realmaps/RealMaps.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QLockFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <utility>

#include "engine/FindMediaFile.h"
#include "platform/process/DetachedProcess.h"
#include "platform/render/gl/glimageheader.h"
#include "scene/Catalogue.h"
#include "shell/modes/Warnings.h"
#include "shell/realmaps/RealMapIndex.h"
#include "shell/settings/Settings.h"

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

// A file descriptor, closed with its owner.
class TFd {
 public:
  explicit TFd(int fd = -1) : Fd(fd) {}
  TFd(TFd&& other) noexcept : Fd(std::exchange(other.Fd, -1)) {}
  TFd& operator=(TFd&& other) noexcept {
    if (this != &other) {
      Close();
      Fd = std::exchange(other.Fd, -1);
    }
    return *this;
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  ~TFd() { Close(); }
  int Get() const { return Fd; }
  explicit operator bool() const { return Fd >= 0; }
  // False when closing reports an error (a write that did not reach the disk).
  bool Close() {
    const int fd = std::exchange(Fd, -1);
    return fd < 0 || close(fd) == 0;
  }

 private:
  int Fd;
};

// Inside a cache folder every name is looked up relative to its folder's descriptor and no
// symbolic link is followed: a link planted there never leads a build to write or remove
// elsewhere. Nothing but a plain file is opened (a FIFO would wait for a writer for ever). The
// cache folder itself is opened as named: a machine may keep it on another disk through a link.
TFd OpenCacheFolder(const std::string& dir) {
  return TFd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC));
}

TFd OpenFolderAt(int at, const char* name) {
  return TFd(openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
}

std::optional<struct stat> StatAt(int at, const std::string& name) {
  struct stat st;
  if (at < 0 || fstatat(at, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  return st;
}

std::string KindOf(mode_t mode) {
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISDIR(mode)) return "a folder";
  return "a plain file";
}

// Calls f with each name in the folder until it returns false; false when the folder cannot
// be read. A descriptor of its own keeps at's reading position untouched.
bool ForEachEntry(int at, const std::function<bool(const std::string&)>& f) {
  const int fd = openat(at, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  DIR* d = fdopendir(fd);
  if (!d) {
    close(fd);
    return false;
  }
  while (const dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != ".." && !f(name)) break;
  }
  closedir(d);
  return true;
}

constexpr std::size_t kTempSuffix = 6;

// A temporary file of a write of name: "<name>." and six letters or digits.
bool IsTemporaryOf(const std::string& entry, const std::string& name) {
  if (entry.size() != name.size() + 1 + kTempSuffix || entry.compare(0, name.size(), name) != 0 ||
      entry[name.size()] != '.')
    return false;
  return std::all_of(
      entry.begin() + static_cast<std::ptrdiff_t>(name.size() + 1), entry.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
      });
}

// What the cache keeps in its folder, and may therefore replace or remove: its index, its lock
// (and the lock's own lock while a stale one is taken away), the quality folders, and in
// those the cached maps; with the temporary files of their writes.
bool IsOwnTopFile(const std::string& name) {
  return name == "index" || name == "lock" || name == "lock.rmlock" || IsTemporaryOf(name, "index");
}

bool IsQualityFolder(const std::string& name) {
  return std::any_of(std::begin(kQualities), std::end(kQualities),
                     [&](const char* q) { return name == q; });
}

bool IsOwnMapFile(const std::string& name) {
  return std::any_of(Entries().begin(), Entries().end(), [&](const TEntry& e) {
    return name == CachedName(e) || IsTemporaryOf(name, CachedName(e));
  });
}

// The first thing in the cache folder that is not the cache's own, or not of the kind it makes
// (a link or a FIFO in a file's place); empty when there is none. A folder named by mistake
// (a media folder, a home folder) is thus left as it is.
std::string ForeignEntry(int top, const std::string& dir) {
  std::string problem;
  auto check = [&](int at, const std::string& folder, const std::string& name, bool own,
                   bool isFolder) {
    const auto st = StatAt(at, name);
    if (!st) return true;  // gone meanwhile
    const std::string path = folder + "/" + name;
    if (!own)
      problem = path + " is not part of a planet map cache";
    else if (isFolder ? !S_ISDIR(st->st_mode) : !S_ISREG(st->st_mode))
      problem = path + " is " + KindOf(st->st_mode) + ", not the " +
                (isFolder ? "folder" : "plain file") + " the map cache keeps there";
    return problem.empty();
  };
  if (!ForEachEntry(top, [&](const std::string& name) {
        const bool quality = IsQualityFolder(name);
        return check(top, dir, name, quality || IsOwnTopFile(name), quality);
      }))
    return "the folder " + dir + " cannot be read";
  for (const char* q : kQualities) {
    if (!problem.empty()) break;
    const TFd sub = OpenFolderAt(top, q);
    if (!sub) continue;
    const std::string folder = dir + "/" + q;
    if (!ForEachEntry(sub.Get(), [&](const std::string& name) {
          return check(sub.Get(), folder, name, IsOwnMapFile(name), false);
        }))
      return "the folder " + folder + " cannot be read";
  }
  return problem;
}

// Writes a file of the cache whole: a temporary file beside it, renamed over it. The rename
// replaces whatever entry holds the name, a planted link included, and never writes through it.
bool WriteCacheFile(int at, const std::string& folder, const std::string& name,
                    const QByteArray& bytes, std::string* error) {
  static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  const std::string path = folder + "/" + name;
  auto fail = [&](int err) {
    *error = "cannot write " + path + ": " + std::strerror(err);
    return false;
  };
  std::string temp;
  TFd fd;
  for (int attempt = 0; attempt < 100 && !fd; ++attempt) {
    temp = name + ".";
    for (std::size_t i = 0; i < kTempSuffix; ++i)
      temp += kChars[QRandomGenerator::global()->bounded(62)];
    fd = TFd(openat(at, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd && errno != EEXIST) break;
  }
  if (!fd) return fail(errno);
  const char* p = bytes.constData();
  std::size_t left = static_cast<std::size_t>(bytes.size());
  int err = 0;
  while (left > 0 && err == 0) {
    const ssize_t n = write(fd.Get(), p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      err = n < 0 ? errno : EIO;
    } else {
      p += n;
      left -= static_cast<std::size_t>(n);
    }
  }
  if (err == 0 && fsync(fd.Get()) != 0) err = errno;
  if (!fd.Close() && err == 0) err = errno;
  if (err == 0 && renameat(at, temp.c_str(), at, name.c_str()) != 0) err = errno;
  if (err == 0) return true;
  unlinkat(at, temp.c_str(), 0);
  return fail(err);
}

// The index's text; nothing when it is absent, not a plain file, or larger than any index a
// build writes (a huge file is never read whole).
std::optional<std::string> ReadIndexText(int top) {
  const auto st = StatAt(top, "index");
  if (!st || !S_ISREG(st->st_mode) ||
      static_cast<unsigned long long>(st->st_size) > kMaxRealMapIndexBytes)
    return std::nullopt;
  const TFd fd(openat(top, "index", O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat opened;
  if (!fd || fstat(fd.Get(), &opened) != 0 || !S_ISREG(opened.st_mode)) return std::nullopt;
  // The file may grow while it is read; no more than the limit is read whatever it does.
  std::string text(
      std::min<std::size_t>(static_cast<std::size_t>(opened.st_size), kMaxRealMapIndexBytes) + 1,
      '\0');
  std::size_t got = 0;
  for (;;) {
    if (got == text.size()) {
      if (got > kMaxRealMapIndexBytes) return std::nullopt;
      text.resize(kMaxRealMapIndexBytes + 1);
    }
    const ssize_t n = read(fd.Get(), text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  text.resize(got);
  return text;
}

const TEntry* FindEntry(const std::string& media) {
  for (const TEntry& e : Entries())
    if (media == e.Media) return &e;
  return nullptr;
}

// The entry's source that the installed file is, whatever folder the maps were under.
const TSource* FindSource(const TEntry& e, const std::string& path) {
  for (const TSource& src : e.Sources) {
    const std::string rel = src.Path;
    if (path.size() >= rel.size() && path.compare(path.size() - rel.size(), rel.size(), rel) == 0)
      return &src;
  }
  return nullptr;
}

TRealMapChoice MakeChoice(const TEntry& e, const TCandidate& c) {
  return {e.Media, e.Body, c.Path, c.Source->Package, c.Source->Credit, c.Width};
}

std::string Instead(const std::vector<TCandidate>& list, std::size_t failed) {
  return failed + 1 < list.size() ? list[failed + 1].Path : std::string("its generated map");
}

struct TIndex {
  TRealMapSet Set;
  std::vector<std::string> Messages;  // one per damaged map
};

std::string DamagedMessage(const std::string& path, const std::string& why, const std::string& body,
                           const std::string& instead) {
  return "the installed map " + path + " " + why + "; " + body + " wears " + instead + " instead";
}

// A cache as a start finds it.
struct TCacheState {
  bool Current = false;             // its index is of this format and made for the installed maps
  TIndex Index;                     // the maps whose files are whole, and the index's messages
  std::vector<std::string> Broken;  // cached files missing, cut short or not plain files
};

TCacheState ReadCache(int top, const std::string& dir, const std::string& signature) {
  TCacheState state;
  const std::optional<std::string> text = ReadIndexText(top);
  if (!text) return state;
  const std::optional<TRealMapIndex> index = ParseRealMapIndex(*text, signature);
  if (!index) return state;
  TFd folders[3];
  for (int level = 0; level < 3; ++level) folders[level] = OpenFolderAt(top, kQualities[level]);
  for (const TCachedMap& m : index->Maps) {
    const TEntry* e = FindEntry(m.Media);
    const TSource* src = e ? FindSource(*e, m.Source) : nullptr;
    if (!src) return {};  // not an index this program wrote
    // A file cut short reads as a picture of its own (Earth all white); only the length the
    // build wrote is taken, and the body wears its generated map until the cache is rebuilt.
    bool whole = true;
    for (int level = 0; level < 3; ++level) {
      const auto st = StatAt(folders[level].Get(), CachedName(*e));
      if (!st || !S_ISREG(st->st_mode) || st->st_size != m.Bytes[level]) {
        whole = false;
        state.Broken.push_back(dir + "/" + kQualities[level] + "/" + CachedName(*e));
      }
    }
    if (whole)
      state.Index.Set.Maps.push_back(
          {e->Media, e->Body, m.Source, src->Package, src->Credit, m.Width});
  }
  for (const TPassedOverMap& d : index->Damaged) {
    state.Index.Set.Damaged.push_back(d.Path);
    state.Index.Messages.push_back(DamagedMessage(d.Path, d.Why, d.Body, d.Instead));
  }
  state.Current = true;
  return state;
}

// Removes what a build no longer writes (maps of packages since removed) and temporary files of
// writes that were killed; only the cache's own names, only plain files. Called under the lock.
void RemoveLeftovers(int folder, const std::function<bool(const std::string&)>& own,
                     const std::set<std::string>& written) {
  std::vector<std::string> names;
  ForEachEntry(folder, [&](const std::string& name) {
    if (own(name) && !written.count(name)) names.push_back(name);
    return true;
  });
  for (const std::string& name : names)
    if (const auto st = StatAt(folder, name); st && S_ISREG(st->st_mode))
      unlinkat(folder, name.c_str(), 0);
}

// Converts every installed map into the cache and writes the index last, so that a build cut
// short leaves the old index (or none) and the next start builds again.
std::optional<TIndex> Build(const std::string& root, int top, const std::string& cacheDir,
                            const std::string& signature, std::string* error) {
  TIndex index;
  TRealMapIndex record;
  TFd folders[3];
  std::set<std::string> written[3];
  for (int level = 0; level < 3; ++level) {
    const char* q = kQualities[level];
    if (mkdirat(top, q, 0777) != 0 && errno != EEXIST) {
      *error = "cannot create the folder " + cacheDir + "/" + q + ": " + std::strerror(errno);
      return std::nullopt;
    }
    folders[level] = OpenFolderAt(top, q);
    if (!folders[level]) {
      *error = "cannot open the folder " + cacheDir + "/" + q + ": " + std::strerror(errno);
      return std::nullopt;
    }
  }
  auto noteDamaged = [&](const std::string& path, const std::string& why, const std::string& body,
                         const std::string& instead) {
    index.Set.Damaged.push_back(path);
    index.Messages.push_back(DamagedMessage(path, why, body, instead));
    record.Damaged.push_back({path, why, body, instead});
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
      TCachedMap cached{e.Media, c.Path, std::max(0, c.Width), {}};
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
        const QByteArray bytes = Encode(img, ring);
        const std::string folder = cacheDir + "/" + kQualities[level];
        if (bytes.isEmpty()) {
          *error = "cannot encode " + folder + "/" + CachedName(e);
          return std::nullopt;
        }
        if (!WriteCacheFile(folders[level].Get(), folder, CachedName(e), bytes, error))
          return std::nullopt;
        cached.Bytes[level] = bytes.size();
        written[level].insert(CachedName(e));
      }
      record.Maps.push_back(cached);
      index.Set.Maps.push_back(MakeChoice(e, c));
      break;
    }
  }
  for (int level = 0; level < 3; ++level)
    RemoveLeftovers(folders[level].Get(), IsOwnMapFile, written[level]);
  RemoveLeftovers(top, [](const std::string& name) { return IsTemporaryOf(name, "index"); }, {});
  const std::optional<std::string> text = WriteRealMapIndex(signature, record);
  if (!text) {
    *error = "the index of the maps under " + root +
             " cannot be written (a path holds a tab or a line break, or is too long)";
    return std::nullopt;
  }
  if (!WriteCacheFile(top, cacheDir, "index", QByteArray::fromStdString(*text), error))
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

// Each message names its own cause; only a run that may say one line at most (the hack mode,
// whose host logs our stderr) needs the shared sink's limit.
void Say(const std::string& message) {
  if (OneWarningPerRun())
    Warn(message);
  else
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
  auto read = [&](const std::string& dir) {
    if (dir.empty()) return TCacheState();
    const TFd top = OpenCacheFolder(dir);
    return ReadCache(top.Get(), dir, signature);
  };
  auto use = [&](const std::string& dir, const TIndex& index) {
    for (const std::string& m : index.Messages) Say(m);
    Install(dir, index.Set);
    return index.Set;
  };
  const TCacheState machine = read(machineDir);
  if (machine.Current && machine.Broken.empty()) return use(machineDir, machine.Index);
  const TCacheState user = read(userDir);
  if (user.Current && user.Broken.empty()) return use(userDir, user.Index);

  // Neither cache is whole and current. The whole maps of a current one are drawn at once,
  // every other body wears its generated map, and the user's cache is brought up to date for
  // the next start.
  TRealMapSet set;
  const TCacheState* partial = nullptr;
  if (machine.Current) {
    set = use(machineDir, machine.Index);
    partial = &machine;
  } else if (user.Current) {
    set = use(userDir, user.Index);
    partial = &user;
  }
  if (userDir.empty()) {
    Say("no cache folder (neither XDG_CACHE_HOME nor HOME is set); the installed planet maps "
        "are not used");
    return set;
  }
  // Converting the maps takes seconds: this start draws at once and a process of its own
  // converts them for the next. A build under way already (another screen's instance started
  // it) is not started twice.
  if (!QDir().mkpath(Q(userDir))) {
    Say("cannot create the map cache " + userDir + "; the generated planet maps are used");
    return set;
  }
  const TFd top = OpenCacheFolder(userDir);
  // The lock is looked at only once nothing in its place can hang the start.
  if (const std::string foreign =
          top ? ForeignEntry(top.Get(), userDir) : "the folder " + userDir + " cannot be opened";
      !foreign.empty()) {
    Say(foreign + "; the installed planet maps are not converted there until it is removed");
    return set;
  }
  QLockFile lock(Q(userDir + "/lock"));
  lock.setStaleLockTime(kStaleLockMs);
  if (!lock.tryLock(0)) return set;
  lock.unlock();
  if (!builder || !builder(root, userDir)) {
    Say("cannot start converting the installed planet maps into " + userDir +
        "; the generated planet maps are used");
    return set;
  }
  if (partial && !partial->Broken.empty()) {
    const std::size_t more = partial->Broken.size() - 1;
    Say("the cached map " + partial->Broken.front() +
        (more ? " (and " + std::to_string(more) + " more)" : std::string()) +
        " is missing or damaged; its body wears its generated map while the installed maps are "
        "converted again into " +
        userDir + " in the background");
  } else {
    Say("converting the installed planet maps into " + userDir +
        " in the background; they are drawn from the next start on");
  }
  return set;
}

std::string BuildRealMapCache(const std::string& root, const std::string& dir) {
  if (dir.empty()) return "no cache folder was given";
  if (!QDir().mkpath(Q(dir))) return "cannot create the folder " + dir;
  const TFd top = OpenCacheFolder(dir);
  if (!top) return "cannot open the folder " + dir + ": " + std::strerror(errno);
  // Only a folder of the cache's own files (or an empty one) is written: a build replaces and
  // removes files. Looked at again under the lock, which a wait may have been long for.
  const auto refused = [&dir](const std::string& foreign) {
    return foreign + "; nothing in " + dir +
           " was changed (remove it, or name a new or empty folder)";
  };
  if (const std::string foreign = ForeignEntry(top.Get(), dir); !foreign.empty())
    return refused(foreign);
  // Instances started together (one per screen) build the cache once; the others wait for it.
  QLockFile lock(Q(dir + "/lock"));
  lock.setStaleLockTime(kStaleLockMs);
  if (!lock.tryLock(kLockWaitMs))
    return "the map cache " + dir + " stays locked by another build (" + dir + "/lock)";
  if (const std::string foreign = ForeignEntry(top.Get(), dir); !foreign.empty())
    return refused(foreign);
  bool any = false;
  const std::string signature = Signature(root, &any);
  TCacheState state = ReadCache(top.Get(), dir, signature);
  std::optional<TIndex> index;
  std::string error;
  if (state.Current && state.Broken.empty())
    index = std::move(state.Index);
  else
    index = Build(root, top.Get(), dir, signature, &error);
  if (!index) return error;
  for (const std::string& m : index->Messages) Say(m);
  return {};
}

bool StartMapCacheBuild(const std::string& root, const std::string& dir) {
  const std::string exe = ProgramPath();
  if (exe.empty()) return false;
  // The conversion must not slow this start's first frame; where this run may say one line at
  // most (a daemon's log), it says nothing.
  return StartDetachedProcess({{exe, "--build-map-cache", dir},
                               {"ZELMAR_MAP_ROOT=" + root},
                               OneWarningPerRun(),
                               kMapBuildDelayMs});
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
