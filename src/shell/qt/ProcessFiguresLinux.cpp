// The process's figures on Linux: getrusage and /proc.
#include <sys/resource.h>

#include <fstream>
#include <string>

#include "shell/modes/ProcessFigures.h"

namespace zelmar {

double ProcessCpuSeconds() {
  rusage Usage{};
  getrusage(RUSAGE_SELF, &Usage);
  return Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec +
         (Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e6;
}

double PeakResidentMB() {
  std::ifstream StatusFile("/proc/self/status");
  std::string Line;
  while (std::getline(StatusFile, Line))
    if (Line.rfind("VmHWM:", 0) == 0) return std::stod(Line.substr(6)) / 1024.0;
  rusage Usage{};
  getrusage(RUSAGE_SELF, &Usage);
  return Usage.ru_maxrss / 1024.0;
}

void ResetPeakResident() {
  // Linux starts the peak afresh from the current size when 5 is written here.
  std::ofstream("/proc/self/clear_refs") << "5";
}

}  // namespace zelmar
