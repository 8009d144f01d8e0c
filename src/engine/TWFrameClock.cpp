#include "engine/TWFrameClock.h"

double TWFrameClock::Timer(TimerCommand Command) {
  if (Command == tcInit) {
    FUsingCounter = false;
    FFrequency = 1000;
    FStopped = false;
    FStopTime = FLastElapsedTime = FBaseTime = 0;
    std::int64_t frequency = 0;
    if (FSource->QueryPerformanceFrequency(&frequency) && frequency > 0) {
      FUsingCounter = true;
      FFrequency = frequency;
    }
    return 0.0;
  }

  const std::int64_t now = Now(Command);
  const auto seconds = [&](std::int64_t counts) {
    return static_cast<double>(counts) / static_cast<double>(FFrequency);
  };
  switch (Command) {
    case tcReset:
      FBaseTime = now;
      FLastElapsedTime = now;
      FStopTime = 0;
      FStopped = false;
      return 0.0;
    case tcStart:
      if (FStopped) FBaseTime += now - FStopTime;
      FStopTime = 0;
      FLastElapsedTime = now;
      FStopped = false;
      return 0.0;
    case tcStop:
      FStopTime = now;
      FLastElapsedTime = now;
      FStopped = true;
      return 0.0;
    case tcAdvance:
      FStopTime += FFrequency / 10;
      return 0.0;
    case tcGetAbsoluteTime:
      return seconds(now);
    case tcGetAppTime:
      return seconds(now - FBaseTime);
    case tcGetElapsedTime: {
      const double elapsed = seconds(now - FLastElapsedTime);
      FLastElapsedTime = now;
      return elapsed;
    }
    case tcInit:
      break;
  }
  return 0.0;
}

std::int64_t TWFrameClock::Now(TimerCommand Command) {
  // A stopped clock reads its stop time, except when starting again or asked the real time.
  if (FStopTime != 0 && Command != tcStart && Command != tcGetAbsoluteTime) return FStopTime;
  std::int64_t now = 0;
  if (FUsingCounter)
    FSource->QueryPerformanceCounter(&now);
  else
    now = FSource->timeGetTime();
  return now;
}

void TWFrameClock::SkipAppTime(double Seconds) {
  FBaseTime += static_cast<std::int64_t>(Seconds * static_cast<double>(FFrequency));
}
