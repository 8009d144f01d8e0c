// The process's figures on Windows: its times and its working set.
#include <windows.h>
// After windows.h, whose types it uses.
#include <psapi.h>

#include "shell/modes/ProcessFigures.h"

namespace zelmar {

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>(static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime) /
           1e7;
  };
  return seconds(kernel) + seconds(user);
}

double PeakResidentMB() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0.0;
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

void ResetPeakResident() {
  // Windows keeps one peak for the life of the process; the second figure of a benchmark
  // includes the first run's peak.
}

}  // namespace zelmar
