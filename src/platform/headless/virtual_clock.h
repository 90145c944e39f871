#pragma once

namespace veltro::platform::headless {

// The headless platform's time: seconds that pass only when the program waits (serves the queue
// or pauses), so a whole flight runs in milliseconds and always the same way. The simulated sound
// device reads it to know when a sound has played to its end.
class VirtualClock {
 public:
  double Now() const { return now_; }
  void Advance(double seconds) { now_ += seconds; }
  void AdvanceTo(double time) {
    if (time > now_) now_ = time;
  }

 private:
  double now_ = 0.0;
};

}  // namespace veltro::platform::headless
