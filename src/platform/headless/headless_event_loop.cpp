// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/headless/headless_event_loop.h"

#include <algorithm>
#include <limits>
#include <sstream>

#include "platform/base/platform_error.h"

namespace veltro::platform::headless {

HeadlessEventLoop::HeadlessEventLoop(VirtualClock& clock, double max_seconds)
    : EventLoop([&clock] { return clock.Time(); }), clock_(clock), max_seconds_(max_seconds) {}

void HeadlessEventLoop::DoEvents() {
  if (Idle()) {
    SkipTo(NextKeyDue());
  } else {
    AdvanceTo(clock_.Time() + kQuantum);
  }
  Serve();
}

void HeadlessEventLoop::Pause() {
  AdvanceTo(clock_.Time() + kQuantum);
}

void HeadlessEventLoop::RunMessageLoop() {
  // Nothing happens between events, so the clock jumps straight to the next one.
  for (;;) {
    if (Idle()) {
      SkipTo(NextKeyDue());
    } else {
      std::optional<double> next = NextTimerDue();
      std::optional<double> key_due = NextKeyDue();
      if (key_due && (!next || *key_due < *next)) next = key_due;
      if (!next) EndAtTimeLimit();  // nothing will ever happen again
      AdvanceTo(std::max(*next, clock_.Time() + kQuantum));
    }
    Serve();
  }
}

bool HeadlessEventLoop::Idle() {
  // The program acts when it is given a key or looks at the clock; the quiet starts afresh.
  const uint64_t activity = clock_.reads() + keys_delivered_;
  if (activity != activity_seen_) {
    activity_seen_ = activity;
    quiet_since_ = clock_.Time();
    return false;
  }
  // Each timer has ticked at least once since the program last acted, and those ticks did
  // nothing: until the next key, the ones to come will do nothing either.
  return skip_idle_ && clock_.Time() - quiet_since_ >= LongestTimerInterval() + 2 * kQuantum;
}

std::optional<double> HeadlessEventLoop::NextKeyDue() {
  if (source_ == nullptr) return std::nullopt;
  return source_->NextDue(clock_.Time());
}

void HeadlessEventLoop::SkipTo(std::optional<double> key) {
  const double target =
      key ? std::max(*key, clock_.Time() + kQuantum) : std::numeric_limits<double>::infinity();
  if (target > max_seconds_) AdvanceTo(target);  // ends the run
  SkipTimerTicksBefore(target);
  AdvanceTo(target);
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
    std::optional<KeyEvent> key = source_->TakeDueKey(clock_.Time());
    if (!key) break;
    ++keys_delivered_;
    DeliverKey(key->down, key->code, key->shift, key->repeat);
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
