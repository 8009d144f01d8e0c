// Runs the application's idle hook for both message loops: at most once at a time (a modal loop
// inside the hook does not run it again) and, when paced, at most so many times a second. Plain
// C++; each loop does its own waiting for the time Wait() gives.
#pragma once

#include <chrono>
#include <functional>

class IdlePacer {
 public:
  using Clock = std::chrono::steady_clock;
  using Hook = std::function<void(bool& done)>;

  void SetHook(Hook hook);
  bool HasHook() const;
  // At most this many runs a second while the hook is not done; 0, a negative or a non-finite
  // value runs it again at once. Starts the count at now.
  void SetPace(double perSecond);
  double Pace() const;

  // How long to sleep at `now` before the hook is due; zero when there is no reason to wait
  // (not paced, due, no hook, or called from inside the hook).
  Clock::duration Wait(Clock::time_point now) const;
  // Runs the hook that started at `started` unless there is none or it is already running;
  // returns its done (true when it did not run).
  bool Run(Clock::time_point started);

 private:
  Hook hook_;
  bool running_ = false;
  Clock::duration interval_{};  // zero: not paced
  Clock::time_point due_{};
};
