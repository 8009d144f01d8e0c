// The hive on disk: reading it safely, and replacing it so that it is always either the old
// text or the new one, whole, whatever happens to the writer or the disk.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <random>

#include "platform/registry/Hive.h"

namespace zelmar::registry {

namespace {

constexpr std::size_t kTempSuffix = 6;

bool Fail(HiveError& error, int code, const std::string& what) {
  error.systemError = code;
  error.what = what + ": " + std::strerror(code);
  return false;
}

// Closes a descriptor on every way out.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void Reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  // Closes now, reporting the error close() gives (a network file system may report a failed
  // write only here).
  int Close() {
    int rc = close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

const char* Kind(mode_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "a special file";
}

std::string TooLarge(long long size) {
  return "too large for a settings file (" + std::to_string(size) + " bytes; at most " +
         std::to_string(kMaxHiveBytes >> 20) + " MB are read)";
}

enum class ReadResult { Read, Absent, Failed };

// Opening comes first, and only "no such file" counts as absent: an existence check could fail
// for other reasons and make the settings look missing. Non-blocking, so that a FIFO does not
// wait for a writer; anything but a regular file is refused before it is read.
ReadResult ReadHiveFile(const std::string& path, std::string& bytes, HiveError& error) {
  Fd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT) return ReadResult::Absent;
    Fail(error, errno, "cannot read the file");
    return ReadResult::Failed;
  }
  struct stat st;
  if (fstat(fd.get(), &st) != 0) {
    Fail(error, errno, "cannot read the file");
    return ReadResult::Failed;
  }
  if (S_ISDIR(st.st_mode)) {
    error.what = "this is a folder, not a settings file; name the file itself";
    return ReadResult::Failed;
  }
  if (!S_ISREG(st.st_mode)) {
    error.what = std::string("not a regular file but ") + Kind(st.st_mode) +
                 "; the settings must be a plain file";
    return ReadResult::Failed;
  }
  if (static_cast<unsigned long long>(st.st_size) > kMaxHiveBytes) {
    error.what = TooLarge(st.st_size);
    return ReadResult::Failed;
  }
  // The size may change while reading; the limit holds whatever the file does.
  bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
  std::size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {
      if (bytes.size() > kMaxHiveBytes) {
        error.what = TooLarge(static_cast<long long>(got));
        return ReadResult::Failed;
      }
      bytes.resize(std::min(bytes.size() * 2, kMaxHiveBytes + 1));
    }
    ssize_t n = read(fd.get(), bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      Fail(error, errno, "cannot read the file");
      return ReadResult::Failed;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return ReadResult::Read;
}

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// A temporary file of a writer of this file: "<name>." and six letters or digits, at least one
// of them a digit or a capital, so that "zelmar.reg.backup" or ".rpmnew" are never taken.
bool IsTemporaryName(const std::string& entry, const std::string& name) {
  if (entry.size() != name.size() + 1 + kTempSuffix || entry.compare(0, name.size(), name) != 0 ||
      entry[name.size()] != '.')
    return false;
  bool marked = false;
  for (std::size_t i = name.size() + 1; i < entry.size(); ++i) {
    if (!IsAsciiAlnum(entry[i])) return false;
    marked = marked || (entry[i] >= '0' && entry[i] <= '9') || (entry[i] >= 'A' && entry[i] <= 'Z');
  }
  return marked;
}

std::string TemporaryName(const std::string& target) {
  static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 random(std::random_device{}() ^ static_cast<unsigned>(getpid()));
  std::string suffix(kTempSuffix, ' ');
  for (char& c : suffix) c = kChars[std::uniform_int_distribution<int>(0, 61)(random)];
  suffix[std::uniform_int_distribution<std::size_t>(0, kTempSuffix - 1)(random)] =
      kChars[std::uniform_int_distribution<int>(52, 61)(random)];
  return target + "." + suffix;
}

// Only ever called under the lock, when no live writer has a temporary file.
void RemoveTemporaries(const std::string& dir, const std::string& name) {
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  while (dirent* e = readdir(d)) {
    if (!IsTemporaryName(e->d_name, name)) continue;
    struct stat st;
    if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
      unlinkat(dirfd(d), e->d_name, 0);
  }
  closedir(d);
}

volatile sig_atomic_t heldSignal = 0;

void HoldSignal(int signal) {
  heldSignal = signal;
}

// Keeps a termination signal (a logout, Ctrl+C, timeout(1)) that arrives while a temporary
// file exists from ending the program until the file is renamed or removed, then lets it end
// the program as it would have. Only signals that end the program by default are held; a
// program's own handlers and ignored signals stay as they are. The dispositions are the
// process's, whichever thread takes the signal; writers in one process hold the file's lock, so
// two holds never overlap. (SIGKILL cannot be held: the next writer removes what it leaves.)
class TerminationHold {
 public:
  TerminationHold() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
      struct sigaction old = {};
      if (sigaction(kSignals[i], nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) ||
          old.sa_handler != SIG_DFL)
        continue;
      struct sigaction hold = {};
      hold.sa_handler = HoldSignal;
      sigemptyset(&hold.sa_mask);
      hold.sa_flags = SA_RESTART;
      held_[i] = sigaction(kSignals[i], &hold, nullptr) == 0;
    }
  }
  ~TerminationHold() {
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
      if (held_[i]) sigaction(kSignals[i], &byDefault, nullptr);
    const int signal = heldSignal;
    heldSignal = 0;
    if (signal) raise(signal);
  }
  TerminationHold(const TerminationHold&) = delete;
  TerminationHold& operator=(const TerminationHold&) = delete;

 private:
  static constexpr int kSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGALRM, SIGUSR1, SIGUSR2};
  bool held_[std::size(kSignals)] = {};
};

bool WriteAll(int fd, const std::string& text) {
  for (std::size_t done = 0; done < text.size();) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Writes text to a new file beside target, syncs it, renames it over target and syncs the
// folder. The old file stays as it was until the rename, which replaces it at once.
bool ReplaceFile(const std::string& target, const std::string& text, HiveError& error) {
  const std::string dir = std::filesystem::path(target).parent_path().string();
  struct stat old;
  const bool hadFile = stat(target.c_str(), &old) == 0;
  // A file the user may not change stays unchanged, even where the folder would allow it.
  if (hadFile && access(target.c_str(), W_OK) != 0 && errno != ENOENT)
    return Fail(error, errno, "cannot write the file");

  const TerminationHold hold;
  std::string temp;
  int raw = -1;
  for (int attempt = 0; raw < 0 && attempt < 100; ++attempt) {
    temp = TemporaryName(target);
    raw = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    if (raw < 0 && errno != EEXIST)
      return Fail(error, errno, "cannot create a new file in " + (dir.empty() ? "." : dir));
  }
  if (raw < 0) return Fail(error, EEXIST, "cannot create a new file in " + dir);
  Fd fd(raw);
  if (hadFile) {
    // The new file keeps the old one's permissions and, where allowed, its owner.
    fchmod(fd.get(), old.st_mode & 07777);
    if (fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
      // Only root may give a file away; the writer then owns it, as with any new file.
    }
  }
  int code = 0;
  if (!WriteAll(fd.get(), text) || fsync(fd.get()) != 0) code = errno;
  if (fd.Close() != 0 && code == 0) code = errno;
  if (code == 0 && rename(temp.c_str(), target.c_str()) != 0) code = errno;
  if (code != 0) {
    unlink(temp.c_str());
    Fail(error, code, "cannot write the file");
    error.what += "; it was left as it was";
    return false;
  }
  // The rename lives in the folder: sync it too, so that the new file survives a power loss.
  Fd folder(open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0 && fsync(folder.get()) != 0 && errno == EIO)
    return Fail(error, EIO, "the file was written but its folder could not be synced");
  return true;
}

// The file a path names in the end: symbolic links followed (also one to a file not yet made),
// and the folders' own links resolved, so that every path to one file gives one name. A path
// that cannot be resolved (a loop of links) is taken as it is.
std::filesystem::path ResolveLinks(const std::filesystem::path& file) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path p = file;
  // As the system's own limit on links in one lookup.
  for (int hop = 0; hop < 40 && fs::is_symlink(p, ec); ++hop) {
    const fs::path next = fs::read_symlink(p, ec);
    if (ec) return file;
    p = next.is_absolute() ? next : p.parent_path() / next;
  }
  if (fs::is_symlink(p, ec)) return file;
  const fs::path folder = fs::weakly_canonical(p.parent_path(), ec);
  return ec ? p.lexically_normal() : folder / p.filename();
}

}  // namespace

std::optional<Hive> LoadHive(const std::string& path, HiveError& error) {
  error = HiveError{path, 0, {}};
  std::string bytes;
  switch (ReadHiveFile(path, bytes, error)) {
    case ReadResult::Absent:
      return Hive();
    case ReadResult::Failed:
      return std::nullopt;
    case ReadResult::Read:
      break;
  }
  std::optional<Hive> hive = Hive::Parse(bytes, error);
  error.path = path;
  return hive;
}

bool UpdateHive(const std::string& path, const std::function<bool(Hive&)>& change,
                HiveError& error) {
  error = HiveError{path, 0, {}};
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path file = fs::absolute(path, ec);
  if (ec) return Fail(error, ec.value(), "cannot find the folder of the file");
  // Written through a symbolic link to the file it names, as an editor would. The lock goes
  // with the file itself, so that every path to one file (the link, the file, a second link)
  // takes the same lock.
  const fs::path target = ResolveLinks(file);
  fs::create_directories(target.parent_path(), ec);
  if (ec)
    return Fail(error, ec.value(), "cannot create the folder " + target.parent_path().string());

  // The system drops this lock when its holder ends, however it ends, so a killed writer
  // never holds up the next one; the lock file itself stays.
  const std::string lockPath = target.string() + ".lock";
  Fd lock(open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOCTTY | O_CLOEXEC, 0666));
  if (lock.get() < 0 && (errno == EACCES || errno == EROFS))
    lock.Reset(open(lockPath.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC));
  if (lock.get() < 0) return Fail(error, errno, "cannot open the lock file " + lockPath);
  while (flock(lock.get(), LOCK_EX) != 0)
    if (errno != EINTR) return Fail(error, errno, "cannot lock " + lockPath);

  RemoveTemporaries(target.parent_path().string(), target.filename().string());

  std::optional<Hive> hive = LoadHive(path, error);
  if (!hive) return false;
  if (!change(*hive)) return true;
  return ReplaceFile(target.string(), hive->Serialize(), error);
}

}  // namespace zelmar::registry
