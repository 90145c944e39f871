// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace veltro::platform::headless {

// The headless platform's time: seconds that pass only when the program waits (serves the queue
// or pauses), so a whole flight runs in milliseconds and always the same way. The simulated sound
// device reads it to know when a sound has played to its end.
//
// The clock also counts how often the program looked at it. Every headless part the program acts
// through reads the time when it acts (the speech log, the sound device, the streams, the
// program's own Clock), so an unchanged count tells the event loop that nothing has happened.
class VirtualClock {
 public:
  double Now() const {
    ++reads_;
    return now_;
  }
  // The time for the event loop's own bookkeeping: not counted as the program looking.
  double Time() const { return now_; }
  uint64_t reads() const { return reads_; }

  void Advance(double seconds) { now_ += seconds; }
  void AdvanceTo(double time) {
    if (time > now_) now_ = time;
  }

 private:
  double now_ = 0.0;
  mutable uint64_t reads_ = 0;
};

}  // namespace veltro::platform::headless
