// The device framework's frame clock: absolute, application and elapsed time read from a time
// source's counter, stopped and started with the frame loop. A source without a counter is
// read through its millisecond tick, taken as a counter of a thousand counts a second.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "engine/TWTimeSource.h"

enum TimerCommand {
  tcInit = 0,
  tcReset = 1,
  tcStart = 2,
  tcStop = 3,
  tcAdvance = 4,
  tcGetAbsoluteTime = 5,
  tcGetAppTime = 6,
  tcGetElapsedTime = 7,
};

class TWFrameClock {
 public:
  explicit TWFrameClock(std::shared_ptr<TWTimeSource> Source) : FSource(std::move(Source)) {}

  // Seconds for tcGetAbsoluteTime, tcGetAppTime and tcGetElapsedTime, else 0. A stopped clock
  // reads its stop time (tcAdvance moves that on by a tenth of a second), except for the
  // absolute time; tcInit chooses the counter and forgets everything else.
  double Timer(TimerCommand Command);
  // Moves the application time's origin on, so that the time reads Seconds less.
  void SkipAppTime(double Seconds);

 private:
  std::int64_t Now(TimerCommand Command);

  std::shared_ptr<TWTimeSource> FSource;
  bool FUsingCounter = false;
  std::int64_t FFrequency = 1000;  // counts a second
  bool FStopped = false;
  // In counts; a stop time of 0 means the clock runs.
  std::int64_t FStopTime = 0;
  std::int64_t FLastElapsedTime = 0;
  std::int64_t FBaseTime = 0;
};
