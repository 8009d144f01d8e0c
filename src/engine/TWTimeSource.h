// Where the frame clock reads the time: a high-resolution counter when the platform has one,
// else a millisecond tick. The platform supplies it; tests give a clock they move by hand.
#pragma once

#include <cstdint>

#include "platform/wintypes.h"

class TWTimeSource {
 public:
  virtual ~TWTimeSource() = default;
  // Counts per second of the counter; false when there is no counter.
  virtual bool QueryPerformanceFrequency(std::int64_t* Frequency) = 0;
  virtual bool QueryPerformanceCounter(std::int64_t* Count) = 0;
  // Milliseconds, the fallback when there is no counter.
  virtual DWORD timeGetTime() = 0;
};

// The monotonic clock of the C++ library, counting from the moment the source is created so
// that absolute times stay small enough for single-precision seconds.
class TWSteadyTimeSource : public TWTimeSource {
 public:
  TWSteadyTimeSource();
  bool QueryPerformanceFrequency(std::int64_t* Frequency) override;
  bool QueryPerformanceCounter(std::int64_t* Count) override;
  DWORD timeGetTime() override;

 private:
  std::int64_t FOrigin;
};
