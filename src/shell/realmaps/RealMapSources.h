// The sources table of other packages' planet maps: which installed file may stand for which
// texture of ours, who made it, and how the installed files are found and ranked.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "shell/realmaps/RealMaps.h"

namespace zelmar::real_maps {

struct TSource {
  const char* Path;  // below the root
  const char* Package;
  const char* Credit;
};

// A planet's map, Saturn's ring strip, a star catalogue painted into the sky, and the sky with
// the constellation figures of a figures file over it (painted from the catalogue in use).
enum class TKind { Map, Ring, Sky, SkyLines };

// Whether the entry's sources are text the sky is painted from rather than pictures.
inline bool IsCatalogue(TKind kind) {
  return kind == TKind::Sky || kind == TKind::SkyLines;
}

// Our sky texture, and the name of its variant with the constellation figures.
constexpr const char* kSkyMedia = "nightsky.jpg";
constexpr const char* kSkyLinesMedia = "nightsky-lines.jpg";

struct TEntry {
  const char* Media;
  const char* Body;
  TKind Kind;
  std::vector<TSource> Sources;  // ties in size go to the earlier one
};

// Earth's map carries its clouds, as the generated one does: the scene has no cloud layer.
constexpr const char* kClouds = "openuniverse/textures/clouds.jpg";

// Every texture of ours that an installed map may stand for, with its sources.
const std::vector<TEntry>& Entries();
// The entry of one of our texture files; null for one no installed map stands for.
const TEntry* FindEntry(const std::string& media);

// A catalogue's whole text; empty with *error set when it cannot be read or is too large.
std::string ReadCatalogue(const std::string& path, std::string* error);

// The entry's source that the installed file is, whatever folder the maps were under.
const TSource* FindSource(const TEntry& e, const std::string& path);

// The name a map has in the cache.
std::string CachedName(const TEntry& e);

QString Q(const std::string& s);
// A path below the root.
std::string Join(const std::string& root, const char* path);

// One line per installed file that could be used: a change to any of them (installed,
// removed, upgraded) makes the cache stale. *any tells whether there was one.
std::string Signature(const std::string& root, bool* any);

// An installed source of an entry, and the width its file declares.
struct TCandidate {
  const TSource* Source;
  std::string Path;
  int Width;
};

// The installed sources of an entry, sharpest first.
std::vector<TCandidate> Candidates(const std::string& root, const TEntry& e);

// The choice of that source for the entry.
TRealMapChoice MakeChoice(const TEntry& e, const TCandidate& c);

}  // namespace zelmar::real_maps
