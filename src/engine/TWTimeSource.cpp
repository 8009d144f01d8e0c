#include "engine/TWTimeSource.h"

#include <chrono>

namespace {

std::int64_t NowNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

TWSteadyTimeSource::TWSteadyTimeSource() : FOrigin(NowNanoseconds()) {}

bool TWSteadyTimeSource::QueryPerformanceFrequency(std::int64_t* Frequency) {
  *Frequency = 1'000'000'000;
  return true;
}

bool TWSteadyTimeSource::QueryPerformanceCounter(std::int64_t* Count) {
  // Starts at 1 so that a counter value never looks like the clock's "no stop time" zero.
  *Count = NowNanoseconds() - FOrigin + 1;
  return true;
}

DWORD TWSteadyTimeSource::timeGetTime() {
  return static_cast<DWORD>((NowNanoseconds() - FOrigin) / 1'000'000);
}
