// The hive as a file on a real system: what is not a settings file, a file system that fills up
// during a write, a lock or temporary files left by a writer that was killed, and exports of the
// registry editor.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/registry/Hive.h"
#include "platform/registry/Registry.h"
#include "platform/registry/TRegistry.h"
#include "registry/ChildProcess.h"
#include "registry/TempHive.h"
#include "support/SettingsFile.h"

using namespace zelmar::registry;
namespace fs = std::filesystem;

namespace {

constexpr const char* kKey = "\\SOFTWARE\\Zelmar";

std::string Folder(const TempHive& hive) {
  return fs::path(hive.Path()).parent_path();
}

std::vector<std::string> FolderNames(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// The outcome of one write of a long string value, as text a test can compare.
std::string WriteLongValue() {
  HKEY key = 0;
  LSTATUS rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &key);
  if (rc != ERROR_SUCCESS) return "open failed: " + RegLastProblem();
  const std::string text(20000, 'v');
  rc = RegSetValueExA(key, "Long", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                      static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
  return std::to_string(rc) + " " + (rc == ERROR_SUCCESS ? std::string() : RegLastProblem());
}

const std::string kSettings = SettingsFile()
                                  .Set("Install_Dir", "/usr/local/share/zelmar")
                                  .Set({{"Planet_Speed", 5}, {"Corona", 1}})
                                  .Set("Notes", std::string(6000, 'n'));

}  // namespace

TEST(HiveFile, WhatIsNotAPlainFileIsRefusedWithoutBeingRead) {
  TempHive hive;
  const std::string fifo = Folder(hive) + "/fifo.reg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  const std::string folder = Folder(hive) + "/folder.reg";
  fs::create_directory(folder);
  const struct {
    std::string path;
    const char* says;
  } cases[] = {
      {fifo, "not a regular file"}, {"/dev/zero", "not a regular file"}, {folder, "folder"}};
  for (const auto& c : cases) {
    std::string answer = RunInChild(
        [&] {
          setenv("ZELMAR_HIVE", c.path.c_str(), 1);
          HKEY key = 0;
          LSTATUS opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &key);
          std::string problem = RegLastProblem();
          LSTATUS created = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                            nullptr, &key, nullptr);
          return std::to_string(opened) + " " + std::to_string(created) + " " + problem;
        },
        10);
    EXPECT_EQ(answer.rfind(std::to_string(ERROR_BADDB) + " " + std::to_string(ERROR_BADDB) + " " +
                               c.path + ": ",
                           0),
              0u)
        << answer;
    EXPECT_NE(answer.find(c.says), std::string::npos) << answer;
  }
  struct stat st;
  ASSERT_EQ(stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));  // not replaced by a written file
}

TEST(HiveFile, AFileFarLargerThanSettingsIsRefused) {
  TempHive hive;
  hive.Write(kSettings);
  ASSERT_EQ(truncate(hive.Path().c_str(), 256 << 20), 0);  // sparse: costs no disk
  std::string answer = RunInChild([] {
    HKEY key = 0;
    LSTATUS rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &key);
    return std::to_string(rc) + " " + RegLastProblem();
  });
  EXPECT_EQ(answer.rfind(std::to_string(ERROR_BADDB) + " " + hive.Path() + ": ", 0), 0u) << answer;
  EXPECT_NE(answer.find("too large"), std::string::npos) << answer;
}

TEST(HiveFile, AWriteBeyondTheFileSizeLimitFailsAndLeavesTheFileAsItWas) {
  TempHive hive;
  hive.Write(kSettings);
  std::string answer = RunInChild([&] {
    // The limit lets the new text begin but not end, like a disk filling up mid-write.
    struct rlimit limit = {kSettings.size() + 4096, kSettings.size() + 4096};
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    return WriteLongValue();
  });
  EXPECT_EQ(answer.rfind(std::to_string(ERROR_CANTWRITE) + " " + hive.Path() + ": ", 0), 0u)
      << answer;
  EXPECT_NE(answer.find(std::strerror(EFBIG)), std::string::npos) << answer;
  EXPECT_EQ(hive.Read(), kSettings);
  EXPECT_EQ(FolderNames(Folder(hive)), (std::vector<std::string>{"zelmar.reg", "zelmar.reg.lock"}));
}

TEST(HiveFile, AWriteToAFullFileSystemFailsAndLeavesTheFileAsItWas) {
  TempHive hive;
  const std::string mountPoint = Folder(hive) + "/small";
  fs::create_directory(mountPoint);
  std::string answer = RunInChild([&]() -> std::string {
    // A file system of its own, private to this child: a user namespace where that is allowed,
    // otherwise a mount namespace when running as root.
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0) {
      std::ofstream("/proc/self/setgroups") << "deny";
      std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
      std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
    } else if (unshare(CLONE_NEWNS) != 0) {
      return "skip: cannot make a mount namespace here";
    }
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
      return std::string("skip: cannot mount a small file system: ") + std::strerror(errno);
    const std::string path = mountPoint + "/zelmar.reg";
    setenv("ZELMAR_HIVE", path.c_str(), 1);
    std::ofstream(path, std::ios::binary) << kSettings;
    // Fill the rest, then free one page, so the new text starts to land and then runs out.
    {
      int fd = open((mountPoint + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
      const std::string block(4096, 'f');
      off_t size = 0;
      for (ssize_t n; (n = write(fd, block.data(), block.size())) > 0;) size += n;
      if (ftruncate(fd, size - 4096) != 0) return "cannot shrink the filler";
      close(fd);
    }
    std::string result = WriteLongValue();
    std::ifstream in(path, std::ios::binary);
    std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (after != kSettings) result += "\nTHE FILE CHANGED";
    for (const auto& e : fs::directory_iterator(mountPoint)) {
      std::string name = e.path().filename();
      if (name != "zelmar.reg" && name != "zelmar.reg.lock" && name != "filler")
        result += "\nLEFT BEHIND: " + name;
    }
    return result;
  });
  if (answer.rfind("skip:", 0) == 0) GTEST_SKIP() << answer;
  const std::string path = mountPoint + "/zelmar.reg";
  EXPECT_EQ(answer.rfind(std::to_string(ERROR_CANTWRITE) + " " + path + ": ", 0), 0u) << answer;
  EXPECT_NE(answer.find(std::strerror(ENOSPC)), std::string::npos) << answer;
  EXPECT_EQ(answer.find('\n'), std::string::npos) << answer;
}

TEST(HiveFile, ALockLeftBehindByAKilledWriterBlocksNoWrite) {
  TempHive hive;
  hive.Write(kSettings);
  // An empty lock file, as a writer killed while making it leaves behind.
  std::ofstream(hive.Path() + ".lock").close();
  EXPECT_EQ(RunInChild([] { return WriteLongValue(); }, 8), "0 ");

  // A writer killed while it holds the lock: the system releases it at once.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t holder = fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    int fd = open((hive.Path() + ".lock").c_str(), O_RDWR | O_CREAT, 0644);
    if (fd < 0 || flock(fd, LOCK_EX) != 0) _exit(1);
    ssize_t ignored = write(ready[1], "x", 1);
    (void)ignored;
    pause();
    _exit(0);
  }
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_EQ(RunInChild([] { return WriteLongValue(); }, 8), "0 ");
}

TEST(HiveFile, TheNextWriterRemovesTemporaryFilesOfAKilledOne) {
  TempHive hive;
  hive.Write(kSettings);
  const std::string dir = Folder(hive);
  for (const char* name : {"zelmar.reg.Ab3xYz", "zelmar.reg.k9QmZ2", "zelmar.reg.QWERTY",
                           // not ours: a user's copies, a package manager's file, other names
                           "zelmar.reg.backup", "zelmar.reg.rpmnew", "zelmar.reg.bak",
                           "zelmar.reg.Ab3xYz7", "other.reg.Ab3xYz"})
    std::ofstream(dir + "/" + name) << "partial";
  fs::create_directory(dir + "/zelmar.reg.Zz9Zz9");  // a folder is never removed
  EXPECT_EQ(WriteLongValue(), "0 ");
  EXPECT_EQ(FolderNames(dir),
            (std::vector<std::string>{"other.reg.Ab3xYz", "zelmar.reg", "zelmar.reg.Ab3xYz7",
                                      "zelmar.reg.Zz9Zz9", "zelmar.reg.backup", "zelmar.reg.bak",
                                      "zelmar.reg.lock", "zelmar.reg.rpmnew"}));
}

// A settings file reached through symbolic links (dotfiles kept in a repository) as well as by
// its own name: every path takes the file's one lock, so that writers on different paths still
// take turns, none removes another's new file as a killed writer's, and nothing is lost.
TEST(HiveFile, EveryPathToOneFileTakesOneLock) {
  TempHive hive;
  hive.Write(kSettings);
  const std::string dir = Folder(hive);
  const std::string file = dir + "/dotfiles/zelmar.reg";
  fs::create_directory(dir + "/dotfiles");
  fs::rename(hive.Path(), file);
  fs::create_symlink("dotfiles/zelmar.reg", hive.Path());
  fs::create_symlink(hive.Path(), dir + "/second.reg");  // a link to the link
  const std::string paths[] = {hive.Path(), file, dir + "/second.reg"};
  constexpr int kWrites = 40;
  std::vector<pid_t> writers;
  for (int w = 0; w < 3; ++w) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      setenv("ZELMAR_HIVE", paths[w].c_str(), 1);
      HKEY key = 0;
      if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        _exit(2);
      for (int i = 0; i < kWrites; ++i) {
        const std::string name = "Writer" + std::to_string(w) + "_" + std::to_string(i);
        const DWORD value = static_cast<DWORD>(i);
        if (RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                           4) != ERROR_SUCCESS)
          _exit(1);
      }
      _exit(0);
    }
    writers.push_back(pid);
  }
  for (pid_t pid : writers) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a write failed: " << status;
  }
  HiveError error;
  const std::optional<Hive> written = LoadHive(file, error);
  ASSERT_TRUE(written) << error.Text();
  const HiveKey* key = written->FindKey(std::string("HKEY_LOCAL_MACHINE") + kKey);
  ASSERT_TRUE(key);
  int lost = 0;
  for (int w = 0; w < 3; ++w)
    for (int i = 0; i < kWrites; ++i)
      lost += Hive::FindValue(*key, "Writer" + std::to_string(w) + "_" + std::to_string(i)) ? 0 : 1;
  EXPECT_EQ(lost, 0);
  EXPECT_TRUE(fs::is_symlink(hive.Path()));
  EXPECT_EQ(FolderNames(dir), (std::vector<std::string>{"dotfiles", "second.reg", "zelmar.reg"}));
  EXPECT_EQ(FolderNames(dir + "/dotfiles"),
            (std::vector<std::string>{"zelmar.reg", "zelmar.reg.lock"}));
}

TEST(HiveFile, AWriteKeepsTheFilesPermissions) {
  TempHive hive;
  hive.Write(kSettings);
  ASSERT_EQ(chmod(hive.Path().c_str(), 0640), 0);
  EXPECT_EQ(WriteLongValue(), "0 ");
  struct stat st;
  ASSERT_EQ(stat(hive.Path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(HiveFile, SettingsExportedByTheRegistryEditorAreRead) {
  TempHive hive;
  // UTF-16LE with its byte order mark, "Install_Dir" as an expandable string in UTF-16LE.
  std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]\r\n"
      "\"Install_Dir\"=hex(2):2f,00,6f,00,70,00,74,00,2f,00,7a,00,65,00,6c,00,6d,00,61,00,\\\r\n"
      "  72,00,00,00\r\n"
      "\"Planet_Speed\"=dword:00000007\r\n\r\n";
  std::string wide = "\xFF\xFE";
  for (char c : text) {
    wide += c;
    wide += '\0';
  }
  hive.Write(wide);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kKey, true)) << RegLastProblem();
  EXPECT_EQ(reg.ReadString("Install_Dir"), "/opt/zelmar");
  EXPECT_EQ(reg.ReadInteger("Planet_Speed"), 7);
  reg.WriteInteger("Move_Speed", 4);
  EXPECT_EQ(hive.Read().rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u);  // now UTF-8
  EXPECT_EQ(reg.ReadString("Install_Dir"), "/opt/zelmar");
  EXPECT_EQ(reg.ReadInteger("Move_Speed"), 4);
}
