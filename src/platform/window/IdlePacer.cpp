#include "platform/window/IdlePacer.h"

#include <cmath>
#include <utility>

void IdlePacer::SetHook(Hook hook) {
  hook_ = std::move(hook);
}

bool IdlePacer::HasHook() const {
  return static_cast<bool>(hook_);
}

void IdlePacer::SetPace(double perSecond) {
  if (!(perSecond > 0.0) || !std::isfinite(perSecond)) {
    interval_ = {};
    return;
  }
  interval_ =
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / perSecond));
  due_ = Clock::now();
}

double IdlePacer::Pace() const {
  if (interval_ == Clock::duration{}) return 0.0;
  return 1.0 / std::chrono::duration<double>(interval_).count();
}

IdlePacer::Clock::duration IdlePacer::Wait(Clock::time_point now) const {
  if (interval_ == Clock::duration{} || !hook_ || running_ || now >= due_) return {};
  return due_ - now;
}

bool IdlePacer::Run(Clock::time_point started) {
  if (!hook_ || running_) return true;
  bool done = true;
  running_ = true;
  Hook hook = hook_;  // the hook may replace itself
  hook(done);
  running_ = false;
  // The next run is due one interval after the one before, so that a loop's whole milliseconds
  // do not drift the rate; a run that comes later than an interval after it was due starts the
  // count again from there instead of catching up in a burst.
  if (interval_ != Clock::duration{} && !done)
    due_ = started - due_ < interval_ ? due_ + interval_ : started + interval_;
  return done;
}
