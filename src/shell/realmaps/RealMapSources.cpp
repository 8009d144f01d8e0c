#include "shell/realmaps/RealMapSources.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "platform/render/d3dx/ImageHeader.h"
#include "shell/realmaps/RealMapImage.h"
#include "shell/realmaps/StarCatalogue.h"

namespace zelmar::real_maps {

namespace {

constexpr const char* kOpenUniverse = "openuniverse-common";
constexpr const char* kXplanet = "xplanet-images";
constexpr const char* kStellarium = "stellarium-data";
constexpr const char* kMarble = "marble-qt-data";
constexpr const char* kXplanetStars = "xplanet";

constexpr const char* kByOpenUniverse = "OpenUniverse, Raúl Alonso (GPL 2 or later)";
constexpr const char* kBySeal = "David Seal, maps.jpl.nasa.gov (Stellarium, GPL 2 or later)";
constexpr const char* kByVanVliet =
    "John van Vliet from PDS data, modified by RVS (Stellarium, CC BY-SA)";

int DeclaredWidth(const std::string& path) {
  QImageReader reader(Q(path));
  return reader.size().width();
}

}  // namespace

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
      // OpenUniverse's stars.dat is not among them: its declinations are not the stars' own.
      {kSkyMedia,
       "The sky",
       TKind::Sky,
       {{"xplanet/stars/BSC", kXplanetStars,
         "Yale Bright Star Catalogue, 5th ed., Hoffleit and Warren (VizieR); white: "
         "it has no colours"}}},
      {kSkyLinesMedia,
       "Constellation figures",
       TKind::SkyLines,
       {{"xplanet/arcs/constellations", kXplanetStars,
         "constellation outlines by Chris Dolan, www.astro.wisc.edu/~dolan"}}},
  };
  return entries;
}

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

std::string Join(const std::string& root, const char* path) {
  return root.empty() || root.back() == '/' ? root + path : root + "/" + path;
}

std::string CachedName(const TEntry& e) {
  // The ring keeps its transparency in a PNG, the sky its faint stars and lines (a JPEG would
  // ring round each); the loader goes by the bytes, not the name.
  switch (e.Kind) {
    case TKind::Ring:
      return "saturnRings.png";
    case TKind::Sky:
      return "nightsky.png";
    case TKind::SkyLines:
      return "nightsky-lines.png";
    case TKind::Map:
      break;
  }
  return e.Media;
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

const TEntry* FindEntry(const std::string& media) {
  for (const TEntry& e : Entries())
    if (media == e.Media) return &e;
  return nullptr;
}

std::string ReadCatalogue(const std::string& path, std::string* error) {
  QFile file(Q(path));
  if (!file.open(QIODevice::ReadOnly)) {
    *error = "cannot be opened";
    return {};
  }
  if (file.size() > kMaxSourceBytes) {
    *error = "is too large";
    return {};
  }
  const QByteArray bytes = file.readAll();
  if (bytes.size() != file.size()) {
    *error = "cannot be read";
    return {};
  }
  return bytes.toStdString();
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

}  // namespace zelmar::real_maps

namespace zelmar {

using namespace real_maps;

std::string RealMapRoot() {
  if (const char* root = std::getenv("ZELMAR_MAP_ROOT")) return root;
  return "/usr/share";
}

TRealMapSet ChooseRealMaps(const std::string& root) {
  TRealMapSet set;
  bool stars = false;
  for (const TEntry& e : Entries()) {
    // The figures are drawn over the real stars only.
    if (e.Kind == TKind::SkyLines && !stars) continue;
    for (TCandidate c : Candidates(root, e)) {
      if (IsCatalogue(e.Kind)) {
        std::string error;
        const std::string text = ReadCatalogue(c.Path, &error);
        c.Width = static_cast<int>(e.Kind == TKind::Sky ? ParseBrightStarCatalogue(text).size()
                                                        : ParseFigureLines(text).size());
        if (c.Width == 0) {
          set.Damaged.push_back(c.Path);
          continue;
        }
        stars = true;
        set.Maps.push_back(MakeChoice(e, c));
        break;
      }
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
           "stellarium-data or marble-qt-data gives the bodies they cover real maps;\n"
           "xplanet gives the sky the real stars and constellation figures.\n";
  std::string text = "Maps and stars in use, from other packages (their makers ask to be named):\n";
  for (const TRealMapChoice& c : set.Maps)
    text += "  " + c.Body + ": " + c.Credit + "; " + c.Package + "\n";
  text += "Other bodies wear generated maps.\n";
  return text;
}

}  // namespace zelmar
