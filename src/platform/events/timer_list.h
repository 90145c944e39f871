// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace veltro::platform {

class HandlerFailureReport;

// A periodic timer of a window. It fires only while the queue is served (DoEvents or the message
// loop), on the user-interface thread. It may fire again while its own handler is still running
// (the handler serves the queue itself); the handlers guard against that with their own flags.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void SetInterval(int32_t milliseconds) = 0;
  virtual int32_t Interval() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
};

// The periodic timers of one event loop, on that loop's own clock (seconds). A timer
// keeps its rhythm and, when it fell behind, does not fire a burst to catch up. A handler may serve
// the queue again (and so fire timers again), or create, disable or destroy timers: each round
// holds its timers alive and skips those disabled, destroyed or already fired meanwhile.
class TimerList {
 public:
  explicit TimerList(std::function<double()> now);
  ~TimerList();
  TimerList(const TimerList&) = delete;
  TimerList& operator=(const TimerList&) = delete;

  std::unique_ptr<Timer> Create(std::function<void()> on_tick);
  // Runs every timer that is due, the earliest first (the oldest first on a tie), each as an event
  // handler whose failure `failures` reports. Returns whether any ran.
  bool FireDue(HandlerFailureReport& failures);
  // When the next enabled timer is due; nothing when none is enabled.
  std::optional<double> NextDue() const;
  // The longest interval of the enabled timers, in seconds; 0 when none is enabled.
  double LongestInterval() const;
  // Passes over every tick due before `time` as if it had fired and done nothing, keeping each
  // timer's rhythm: for a loop that knows the ticks until then change nothing.
  void SkipTicksBefore(double time);

 private:
  struct State;
  class Handle;

  // Shared with the handles, which may outlive the list.
  std::shared_ptr<const std::function<double()>> now_;
  std::vector<std::shared_ptr<State>> timers_;
  uint64_t created_ = 0;
};

}  // namespace veltro::platform
