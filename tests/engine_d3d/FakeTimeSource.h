// A clock that moves only when a test moves it, with or without a high-resolution counter.
#pragma once

#include <cstdint>

#include "engine/TWTimeSource.h"

class FakeTimeSource : public TWTimeSource {
 public:
  explicit FakeTimeSource(bool HasCounter = true, std::int64_t Frequency = 1000000)
      : FHasCounter(HasCounter), FFrequency(Frequency) {}

  bool QueryPerformanceFrequency(std::int64_t* Frequency) override {
    *Frequency = FHasCounter ? FFrequency : 0;
    return FHasCounter;
  }
  bool QueryPerformanceCounter(std::int64_t* Count) override {
    *Count = Counter;
    return FHasCounter;
  }
  DWORD timeGetTime() override { return Milliseconds; }

  // Moves both the counter and the millisecond tick.
  void Advance(double Seconds) {
    Counter += static_cast<std::int64_t>(Seconds * static_cast<double>(FFrequency));
    Milliseconds += static_cast<DWORD>(Seconds * 1000.0);
  }

  std::int64_t Counter = 1;
  DWORD Milliseconds = 1;

 private:
  bool FHasCounter;
  std::int64_t FFrequency;
};
