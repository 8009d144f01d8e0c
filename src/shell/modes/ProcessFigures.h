// What the process costs, for the benchmark's figures. One implementation per system
// (ProcessFiguresLinux.cpp, ProcessFiguresWin32.cpp).
#pragma once

namespace zelmar {

// Process CPU time (user and system) in seconds.
double ProcessCpuSeconds();
// Peak resident memory of the process in MB, and a fresh start for it where the system has one.
double PeakResidentMB();
void ResetPeakResident();

}  // namespace zelmar
