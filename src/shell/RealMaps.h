// Real planet maps from other programs' packages (openuniverse-common, xplanet-images,
// stellarium-data, marble-qt-data) in place of the generated ones, where they are installed.
//
// The installed maps come in many sizes and formats, up to a 4096 x 2048 Moon. Scaling them at
// every start would cost each short-lived saver instance the decoding and more memory than our
// own maps need, so they are converted once into a cache folder at the sizes of our qualities
// and kept there until the installed files change. A start with the cache up to date only
// stats the installed files and reads a small index.
#pragma once

#include <string>
#include <vector>

namespace zelmar {

// The folder the packages' files are looked for under: $ZELMAR_MAP_ROOT when set (tests point
// it at a folder of their own, or at an empty one for the generated maps), else /usr/share.
std::string RealMapRoot();
// $XDG_CACHE_HOME/zelmar/maps, else ~/.cache/zelmar/maps; empty when neither is known.
std::string RealMapCacheDir();

// One texture file of ours and the installed map chosen for it.
struct TRealMapChoice {
  std::string Media;    // "earth.jpg"
  std::string Body;     // "Earth"
  std::string Source;   // the installed file
  std::string Package;  // "xplanet-images"
  std::string Credit;   // who made the map, as its licence asks to say
  int Width = 0;        // the source's width in texels
};

struct TRealMapSet {
  std::vector<TRealMapChoice> Maps;
  // Installed maps that were passed over because they do not read as images; each is named
  // once on stderr by UseRealMaps.
  std::vector<std::string> Damaged;
};

// Brings the cache up to date for the maps installed under root (building it the first time
// and after the installed files change, under a lock so that instances starting together
// build it once) and makes the media search take the cached maps for the generated ones of the
// same name, at every quality and in both displays. Bodies no installed map covers keep the
// generated maps. Problems (a damaged map, a cache that cannot be written) are named once on
// stderr; the saver then runs on with the generated maps. Returns what is in use.
TRealMapSet UseRealMaps(const std::string& root, const std::string& cacheDir);

// The same choice, made from the files' headers alone: what UseRealMaps would take.
TRealMapSet ChooseRealMaps(const std::string& root);

// Lines for --help: the maps in use and their makers, or a line saying that none is
// installed and which packages would bring them.
std::string RealMapCredits(const std::string& root);

}  // namespace zelmar
