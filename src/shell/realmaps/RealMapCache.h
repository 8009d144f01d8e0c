// The cache of converted maps on disk: its folder (an index, a lock, one folder per quality),
// read by every start and written by one build at a time, never through a planted link.
#pragma once

#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "shell/realmaps/RealMaps.h"

namespace zelmar::real_maps {

// The quality folders, High to Low.
constexpr const char* kQualityFolders[3] = {"High", "Medium", "Low"};
// A build holds the lock for seconds; one held longer than this by a process that cannot be
// asked (another host's, on a shared home) is taken as left behind.
constexpr int kStaleLockMs = 10 * 60 * 1000;

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
TFd OpenCacheFolder(const std::string& dir);

// The first thing in the cache folder that is not the cache's own, or not of the kind it makes
// (a link or a FIFO in a file's place); empty when there is none. A folder named by mistake
// (a media folder, a home folder) is thus left as it is.
std::string ForeignEntry(int top, const std::string& dir);

// What a cache gives a start: the maps in it, and a line for each installed map passed over.
struct TIndex {
  TRealMapSet Set;
  std::vector<std::string> Messages;  // one per damaged map
};

// A cache as a start finds it.
struct TCacheState {
  bool Current = false;             // its index is of this format and made for the installed maps
  TIndex Index;                     // the maps whose files are whole, and the index's messages
  std::vector<std::string> Broken;  // cached files missing, cut short or not plain files
};

// The cache in the folder top (named dir) for the installed maps of signature.
TCacheState ReadCache(int top, const std::string& dir, const std::string& signature);

// Says a line about the maps on stderr.
void Say(const std::string& message);

}  // namespace zelmar::real_maps
