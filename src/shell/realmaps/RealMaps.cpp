// Other packages' planet maps in use: the caches a start reads, the media search's table of
// the maps it takes, and the background conversion it starts when no cache is current.
#include "shell/realmaps/RealMaps.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <cstdlib>
#include <map>

#include "engine/FindMediaFile.h"
#include "platform/process/DetachedProcess.h"
#include "scene/Catalogue.h"
#include "shell/modes/Warnings.h"
#include "shell/realmaps/RealMapCache.h"
#include "shell/realmaps/RealMapSources.h"
#include "shell/settings/Settings.h"

namespace zelmar {

using namespace real_maps;

namespace {

// How long a background conversion waits for the start that asked for it to draw its first
// frames, unless that start ends sooner.
constexpr int kMapBuildDelayMs = 5000;

// Whether several bodies of the catalogue name the file. The scene gives each body a texture
// of its own, but they load the same file.
bool SharedByBodies(const std::string& media) {
  int n = 0;
  for (const TBodyRow& row : kPlanetRows) n += media == row.TextureFile;
  for (const TBodyRow& row : kMoonRows) n += media == row.TextureFile;
  return n > 1;
}

void Install(const std::string& cacheDir, const TRealMapSet& set, bool constellations) {
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
  for (const TRealMapChoice& c : set.Maps) {
    const TEntry* e = FindEntry(c.Media);
    if (!e || (e->Kind == TKind::SkyLines && !constellations)) continue;
    // The sky with the figures stands for our sky; it comes after the plain one in the set.
    const std::string media = e->Kind == TKind::SkyLines ? kSkyMedia : e->Media;
    for (const char* q : kQualityFolders)
      table[std::string(q) + "/" + media] = {cacheDir + "/" + q + "/" + CachedName(*e),
                                             SharedByBodies(e->Media) ? e->Body : ""};
  }
  SetMediaSubstitute([table](const std::string& found, const std::string& item) -> std::string {
    const QFileInfo info(Q(found));
    const auto it =
        table.find(info.dir().dirName().toStdString() + "/" + info.fileName().toStdString());
    if (it == table.end()) return {};
    if (!it->second.Item.empty() && it->second.Item != item) return {};
    return it->second.Path;
  });
}

}  // namespace

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
                        const std::string& userDir, const TMapCacheBuilder& builder,
                        bool constellations) {
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
    Install(dir, index.Set, constellations);
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

}  // namespace zelmar
