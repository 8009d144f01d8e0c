#include "shell/realmaps/RealMapCache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QByteArray>
#include <QDir>
#include <QLockFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <set>

#include "shell/modes/Warnings.h"
#include "shell/realmaps/RealMapImage.h"
#include "shell/realmaps/RealMapIndex.h"
#include "shell/realmaps/RealMapSources.h"
#include "shell/realmaps/SkyImage.h"
#include "shell/realmaps/StarCatalogue.h"

namespace zelmar::real_maps {

namespace {

// How long --build-map-cache waits for another build of the same folder.
constexpr int kLockWaitMs = 5 * 60 * 1000;

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
  return std::any_of(std::begin(kQualityFolders), std::end(kQualityFolders),
                     [&](const char* q) { return name == q; });
}

bool IsOwnMapFile(const std::string& name) {
  return std::any_of(Entries().begin(), Entries().end(), [&](const TEntry& e) {
    return name == CachedName(e) || IsTemporaryOf(name, CachedName(e));
  });
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

std::string Instead(const std::vector<TCandidate>& list, std::size_t failed) {
  return failed + 1 < list.size() ? list[failed + 1].Path : std::string("its generated map");
}

std::string DamagedMessage(const std::string& path, const std::string& why, const std::string& body,
                           const std::string& instead) {
  return "the installed map " + path + " " + why + "; " + body + " wears " + instead + " instead";
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
    const char* q = kQualityFolders[level];
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
  // Writes an entry's picture at each quality; false (with *error set) when one cannot be.
  auto writeLevels = [&](const TEntry& e, TCachedMap& cached, bool png,
                         const std::function<QImage(int level)>& paint) {
    for (int level = 0; level < 3; ++level) {
      const QByteArray bytes = Encode(paint(level), png);
      const std::string folder = cacheDir + "/" + kQualityFolders[level];
      if (bytes.isEmpty()) {
        *error = "cannot encode " + folder + "/" + CachedName(e);
        return false;
      }
      if (!WriteCacheFile(folders[level].Get(), folder, CachedName(e), bytes, error)) return false;
      cached.Bytes[level] = bytes.size();
      written[level].insert(CachedName(e));
    }
    return true;
  };
  // The catalogue the sky is painted from; the figures are drawn over it, never without it.
  std::vector<TStar> stars;
  for (const TEntry& e : Entries()) {
    if (e.Kind == TKind::SkyLines && stars.empty()) continue;
    const std::vector<TCandidate> list = Candidates(root, e);
    for (std::size_t i = 0; i < list.size(); ++i) {
      const TCandidate& c = list[i];
      if (IsCatalogue(e.Kind)) {
        std::string why;
        const std::string text = ReadCatalogue(c.Path, &why);
        std::vector<TFigureLine> figures;
        if (e.Kind == TKind::Sky)
          stars = ParseBrightStarCatalogue(text);
        else
          figures = ParseFigureLines(text);
        const std::size_t count = e.Kind == TKind::Sky ? stars.size() : figures.size();
        if (count == 0) {
          noteDamaged(c.Path, why.empty() ? "holds nothing that reads" : why, e.Body,
                      Instead(list, i));
          continue;
        }
        // The index keeps how many stars or lines were read where a map keeps its width.
        TCandidate used = c;
        used.Width = static_cast<int>(std::min<std::size_t>(count, 999'999'999));
        TCachedMap cached{e.Media, c.Path, used.Width, {}};
        if (!writeLevels(e, cached, true,
                         [&](int level) { return PaintSky(stars, figures, kSkyWidth >> level); }))
          return std::nullopt;
        record.Maps.push_back(cached);
        index.Set.Maps.push_back(MakeChoice(e, used));
        break;
      }
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
      if (!writeLevels(e, cached, ring, [&](int level) {
            if (ring) return PaintRing(profile, kRingSize >> level);
            // Never larger than the source: a small map stays at its own size.
            const int w = std::min(high.width(), kMapWidth >> level);
            return w == high.width() ? high
                                     : high.scaled(w, std::max(1, w * high.height() / high.width()),
                                                   Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
          }))
        return std::nullopt;
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

}  // namespace

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
  for (const char* q : kQualityFolders) {
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

// Inside a cache folder every name is looked up relative to its folder's descriptor and no
// symbolic link is followed: a link planted there never leads a build to write or remove
// elsewhere. Nothing but a plain file is opened (a FIFO would wait for a writer for ever). The
// cache folder itself is opened as named: a machine may keep it on another disk through a link.
TFd OpenCacheFolder(const std::string& dir) {
  return TFd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC));
}

TCacheState ReadCache(int top, const std::string& dir, const std::string& signature) {
  TCacheState state;
  const std::optional<std::string> text = ReadIndexText(top);
  if (!text) return state;
  const std::optional<TRealMapIndex> index = ParseRealMapIndex(*text, signature);
  if (!index) return state;
  TFd folders[3];
  for (int level = 0; level < 3; ++level)
    folders[level] = OpenFolderAt(top, kQualityFolders[level]);
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
        state.Broken.push_back(dir + "/" + kQualityFolders[level] + "/" + CachedName(*e));
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

// Each message names its own cause; only a run that may say one line at most (the hack mode,
// whose host logs our stderr) needs the shared sink's limit.
void Say(const std::string& message) {
  if (OneWarningPerRun())
    Warn(message);
  else
    std::fprintf(stderr, "zelmar: %s\n", message.c_str());
}

}  // namespace zelmar::real_maps

namespace zelmar {

using namespace real_maps;

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

}  // namespace zelmar
