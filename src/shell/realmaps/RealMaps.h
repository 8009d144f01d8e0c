// Real planet maps from other programs' packages (openuniverse-common, xplanet-images,
// stellarium-data, marble-qt-data) in place of the generated ones, where they are installed;
// likewise the real stars (and constellation figures) from a catalogue (xplanet's).
//
// The installed maps come in many sizes and formats, up to a 4096 x 2048 Moon. Scaling them at
// every start would cost each short-lived saver instance the decoding and more memory than our
// own maps need, so they are converted into a cache folder at the sizes of our qualities and
// kept there until the installed files change: once per machine by the package's scripts
// (`zelmar --build-map-cache`), else once per user in a background process while that start
// draws with the generated maps. A start with a current cache only stats the installed files
// and reads a small index.
//
// This header is the rest of the shell's way in. Behind it: RealMapSources (which installed file
// stands for which of our textures), RealMapImage (decoding, clouds, the ring, encoding),
// RealMapCache (the cache folder, its build and its reading), RealMapIndex (the index's format),
// StarCatalogue (the catalogues' text and the stars' places and looks) and SkyImage (the sky
// painted from them).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zelmar {

// The folder the packages' files are looked for under: $ZELMAR_MAP_ROOT when set (tests point
// it at a folder of their own, or at an empty one for the generated maps), else /usr/share.
std::string RealMapRoot();
// $XDG_CACHE_HOME/zelmar/maps, else ~/.cache/zelmar/maps; empty when neither is known.
std::string RealMapCacheDir();
// The machine-wide cache the package builds: $ZELMAR_MACHINE_MAP_CACHE when set (tests), else
// the installation's (/var/cache/zelmar/maps for the package).
std::string MachineMapCacheDir();

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

// Starts building the cache in dir for the maps under root without waiting for it; false when
// it could not be started.
using TMapCacheBuilder = std::function<bool(const std::string& root, const std::string& dir)>;

// Makes the media search take cached real maps for the generated ones of the same name, at
// every quality and in both displays: from the machine's cache when it is current for the maps
// installed under root, else from the user's when current. Otherwise this start keeps the
// generated maps and, unless a build already holds the user's cache, has builder bring it up to
// date for the next start. Bodies no installed map covers keep the generated maps. Problems (a
// damaged map, a cache that cannot be written) are named once on stderr. With constellations,
// the sky is the variant with the figures where it is cached. Returns what is in use.
TRealMapSet UseRealMaps(const std::string& root, const std::string& machineDir,
                        const std::string& userDir, const TMapCacheBuilder& builder,
                        bool constellations = false);

// Builds (or finds current) the cache in dir for the maps under root, under the cache's lock
// so that one build runs at a time; writes the index last, and writes one even when no map is
// installed. Damaged maps are named on stderr. Returns an error message, empty on success.
std::string BuildRealMapCache(const std::string& root, const std::string& dir);

// The builder the saver uses: this program with --build-map-cache, detached from this process
// and at the lowest priority, its standard error the saver's.
bool StartMapCacheBuild(const std::string& root, const std::string& dir);

// The same choice, made from the files' headers alone: what UseRealMaps would take.
TRealMapSet ChooseRealMaps(const std::string& root);

// Lines for --help: the maps in use and their makers, or a line saying that none is
// installed and which packages would bring them.
std::string RealMapCredits(const std::string& root);

}  // namespace zelmar
