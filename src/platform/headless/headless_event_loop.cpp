#include "platform/headless/headless_event_loop.h"

#include <algorithm>
#include <sstream>

#include "platform/platform_error.h"

namespace veltro::platform::headless {

HeadlessEventLoop::HeadlessEventLoop(VirtualClock& clock, double max_seconds)
    : EventLoop([&clock] { return clock.Now(); }), clock_(clock), max_seconds_(max_seconds) {}

void HeadlessEventLoop::DoEvents() {
  AdvanceTo(clock_.Now() + kQuantum);
  Serve();
}

void HeadlessEventLoop::Pause() {
  AdvanceTo(clock_.Now() + kQuantum);
}

void HeadlessEventLoop::RunMessageLoop() {
  // Nothing happens between events, so the clock jumps straight to the next one.
  for (;;) {
    std::optional<double> next = NextTimerDue();
    if (source_ != nullptr) {
      std::optional<double> key_due = source_->NextDue(clock_.Now());
      if (key_due && (!next || *key_due < *next)) next = key_due;
    }
    if (!next) EndAtTimeLimit();  // nothing will ever happen again
    AdvanceTo(std::max(*next, clock_.Now() + kQuantum));
    Serve();
  }
}

void HeadlessEventLoop::AdvanceTo(double time) {
  if (quit_signals_ != nullptr) quit_signals_->EndIfReceived();
  if (time > max_seconds_) {
    clock_.AdvanceTo(max_seconds_);
    EndAtTimeLimit();
  }
  clock_.AdvanceTo(time);
}

void HeadlessEventLoop::Serve() {
  // One event at a time: a handler that serves the queue itself receives the events after it.
  while (source_ != nullptr) {
    std::optional<KeyEvent> key = source_->TakeDueKey(clock_.Now());
    if (!key) break;
    DeliverKey(key->down, key->code, key->shift);
  }
  FireDueTimers();
}

void HeadlessEventLoop::EndAtTimeLimit() {
  std::ostringstream message;
  message << "the time limit of " << max_seconds_ << " seconds was reached";
  std::string waiting = source_ != nullptr ? source_->Waiting() : std::string();
  if (!waiting.empty()) {
    message << " while the script still waited for " << waiting;
  } else {
    message << " and the program still runs";
  }
  time_limit_message_ = message.str();
  throw ProgramEnded(kTimeLimitStatus);
}

}  // namespace veltro::platform::headless
