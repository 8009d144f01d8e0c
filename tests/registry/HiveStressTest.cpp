// Writers killed with SIGKILL at random points, again and again, while a reader keeps loading:
// no acknowledged value is lost, the file always parses, the reader never finds the settings
// missing, a dead writer's lock never holds anyone up and its temporary file goes with the next
// write.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "platform/registry/Hive.h"
#include "platform/registry/Registry.h"
#include "registry/TempHive.h"
#include "support/SettingsFile.h"

using namespace zelmar::registry;

namespace {

constexpr const char* kKey = "\\SOFTWARE\\Zelmar";
constexpr const char* kFullKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar";
constexpr int kWriters = 4;
constexpr int kRounds = 100;

struct Ack {
  std::uint32_t slot;
  std::uint32_t value;  // 0 reports a failed write
};

bool SetDword(HKEY key, const std::string& name, DWORD value) {
  return RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value) == ERROR_SUCCESS;
}

// Writes slot's value with ever larger numbers from first on, acknowledging each that succeeded.
[[noreturn]] void Writer(std::uint32_t slot, std::uint32_t first, int ackFd) {
  HKEY key = 0;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) _exit(3);
  for (std::uint32_t value = first;; ++value) {
    Ack ack{slot, SetDword(key, "Slot" + std::to_string(slot), value) ? value : 0};
    if (write(ackFd, &ack, sizeof ack) != sizeof ack) _exit(4);
    if (!ack.value) _exit(5);
  }
}

// Loads the settings until stopFd becomes readable; answers "loads failures first-problem".
[[noreturn]] void Reader(int stopFd, int answerFd) {
  long loads = 0, failures = 0;
  std::string first;
  for (pollfd p{stopFd, POLLIN, 0}; poll(&p, 1, 0) == 0; ++loads) {
    HKEY key = 0;
    DWORD type = 0, value = 0, size = sizeof value;
    LSTATUS rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key);
    if (rc == ERROR_SUCCESS) {
      rc = RegQueryValueExA(key, "Base", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
      RegCloseKey(key);
    }
    if (rc != ERROR_SUCCESS || value != 1) {
      ++failures;
      if (first.empty()) first = std::to_string(rc) + " " + RegLastProblem();
    }
  }
  std::string answer = std::to_string(loads) + " " + std::to_string(failures) + " " + first;
  ssize_t ignored = write(answerFd, answer.data(), answer.size());
  (void)ignored;
  _exit(0);
}

}  // namespace

TEST(HiveStress, WritersKilledAtRandomPointsLoseNothingAcknowledged) {
  TempHive hive;
  hive.Write(SettingsFile().Set("Base", 1));
  const std::string folder = std::filesystem::path(hive.Path()).parent_path();

  int stop[2], answer[2], acks[2];
  ASSERT_EQ(pipe(stop), 0);
  ASSERT_EQ(pipe(answer), 0);
  ASSERT_EQ(pipe2(acks, O_NONBLOCK), 0);
  pid_t reader = fork();
  ASSERT_GE(reader, 0);
  if (reader == 0) Reader(stop[0], answer[1]);

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uint32_t acknowledged[kWriters] = {};
  int kills = 0, failedWrites = 0, leftovers = 0;
  long writes = 0;
  for (int round = 0; round < kRounds && !HasFailure(); ++round) {
    pid_t writers[kWriters];
    for (int w = 0; w < kWriters; ++w) {
      writers[w] = fork();
      ASSERT_GE(writers[w], 0);
      if (writers[w] == 0) {
        // Writers must block on a full pipe rather than fail their acknowledgement.
        fcntl(acks[1], F_SETFL, 0);
        Writer(w, static_cast<std::uint32_t>(round + 1) * 100000u, acks[1]);
      }
    }
    // Kill each at its own random moment, so deaths fall in every step of a write.
    for (int w = 0; w < kWriters; ++w) {
      usleep(std::uniform_int_distribution<useconds_t>(0, 6000)(random));
      kill(writers[w], SIGKILL);
    }
    for (pid_t writer : writers) {
      int status = 0;
      waitpid(writer, &status, 0);
      if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        ++kills;
      else
        ADD_FAILURE() << "a writer ended by itself, status " << status;
    }
    for (Ack ack; read(acks[0], &ack, sizeof ack) == sizeof ack;) {
      if (ack.value == 0)
        ++failedWrites;
      else
        acknowledged[ack.slot] = std::max(acknowledged[ack.slot], ack.value);
      ++writes;
    }

    // Every writer is dead: nobody may hold the lock any more.
    int lock = open((hive.Path() + ".lock").c_str(), O_RDONLY);
    if (lock >= 0) {
      EXPECT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0) << "the lock outlived its holder";
      close(lock);
    }

    HiveError error;
    std::optional<Hive> loaded = LoadHive(hive.Path(), error);
    ASSERT_TRUE(loaded) << error.Text();
    const HiveKey* key = loaded->FindKey(kFullKey);
    ASSERT_TRUE(key);
    for (int w = 0; w < kWriters; ++w) {
      if (!acknowledged[w]) continue;
      const HiveValue* v = Hive::FindValue(*key, "Slot" + std::to_string(w));
      ASSERT_TRUE(v && v->data.size() == 4) << "slot " << w << " lost";
      std::uint32_t stored;
      std::memcpy(&stored, v->data.data(), 4);
      EXPECT_GE(stored, acknowledged[w]) << "slot " << w << " went back in round " << round;
    }

    // The next write clears what a killed writer left.
    for (const auto& e : std::filesystem::directory_iterator(folder))
      leftovers += e.path().filename() != "zelmar.reg" && e.path().filename() != "zelmar.reg.lock";
    HKEY k = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    EXPECT_TRUE(SetDword(k, "Round", round)) << RegLastProblem();
    RegCloseKey(k);
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
      const std::string name = e.path().filename();
      EXPECT_TRUE(name == "zelmar.reg" || name == "zelmar.reg.lock") << name << " left behind";
    }
  }

  ASSERT_EQ(write(stop[1], "x", 1), 1);
  char buf[512] = {};
  ssize_t n = read(answer[0], buf, sizeof buf - 1);
  waitpid(reader, nullptr, 0);
  long loads = 0, failures = -1;
  std::sscanf(buf, "%ld %ld", &loads, &failures);
  EXPECT_EQ(failures, 0) << "the reader found no settings: " << std::string(buf, n > 0 ? n : 0);
  EXPECT_EQ(failedWrites, 0);
  EXPECT_GE(kills, kRounds * kWriters);
  std::printf(
      "%d writers killed, %ld writes acknowledged, %d files left by killed writers, "
      "%ld loads by the reader\n",
      kills, writes, leftovers, loads);
}

// Writers racing until each is ended in an ordinary way: in odd rounds all of them by
// themselves after their writes, in even rounds all by a termination signal (a logout,
// timeout(1), Ctrl+C) that lands at any step of a write. Nobody is left to clear up after the
// last of them, so each must leave nothing behind itself.
TEST(HiveStress, WritersEndedByThemselvesOrByATerminationSignalLeaveNoTemporaryFile) {
  TempHive hive;
  hive.Write(SettingsFile().Set("Base", 1));
  const std::string folder = std::filesystem::path(hive.Path()).parent_path();
  const int signals[] = {SIGTERM, SIGINT, SIGHUP, SIGALRM};

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  int ended = 0, signalled = 0;
  for (int round = 0; round < kRounds && !HasFailure(); ++round) {
    const bool bySignal = round % 2 == 0;
    pid_t writers[kWriters];
    for (int w = 0; w < kWriters; ++w) {
      writers[w] = fork();
      ASSERT_GE(writers[w], 0);
      if (writers[w] == 0) {
        HKEY key = 0;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
          _exit(3);
        const int writes = bySignal ? 1 << 30 : 3;
        for (int i = 0; i < writes; ++i)
          if (!SetDword(key, "Slot" + std::to_string(w), static_cast<DWORD>(i + 1))) _exit(5);
        _exit(0);
      }
    }
    if (bySignal) {
      for (int w = 0; w < kWriters; ++w) {
        usleep(std::uniform_int_distribution<useconds_t>(0, 6000)(random));
        kill(writers[w], signals[(round / 2 + w) % std::size(signals)]);
      }
    }
    for (pid_t writer : writers) {
      int status = 0;
      waitpid(writer, &status, 0);
      if (!bySignal && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        ++ended;
      else if (bySignal && WIFSIGNALED(status))
        ++signalled;
      else
        ADD_FAILURE() << "a writer failed, status " << status;
    }
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
      const std::string name = e.path().filename();
      EXPECT_TRUE(name == "zelmar.reg" || name == "zelmar.reg.lock")
          << name << " left behind in round " << round;
    }
  }
  HiveError error;
  EXPECT_TRUE(LoadHive(hive.Path(), error)) << error.Text();
  std::printf("%d writers ended by themselves, %d by a signal\n", ended, signalled);
}
