// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/events/event_loop.h"
#include "platform/events/quit_signals.h"
#include "platform/headless/virtual_clock.h"

namespace veltro::platform::headless {

using platform::KeyEvent;

// Where the headless event loop gets its key events from: a script, or a test.
class KeySource {
 public:
  virtual ~KeySource() = default;
  // The next key event that is due at `now`, if any; each event is handed out once.
  virtual std::optional<KeyEvent> TakeDueKey(double now) = 0;
  // When the next key event falls due (`now` or earlier when it is already due); nothing while
  // the source waits for something other than time (speech), or when it has no more events.
  virtual std::optional<double> NextDue(double now) = 0;
  // What the source still waits for when the run is cut off; empty when it has finished.
  virtual std::string Waiting() const = 0;
};

// The event loop without a screen or a keyboard: key events come from a KeySource, and the clock
// is virtual and moves only while the program waits. With SkipIdleTime, while the program is idle
// (a menu waiting for a key) the clock goes straight to the next key event, so idle hours cost
// no time.
class HeadlessEventLoop : public EventLoop {
 public:
  static constexpr int kTimeLimitStatus = 3;
  // How far the clock moves on each DoEvents and each Pause while the program is busy.
  static constexpr double kQuantum = 0.001;
  static constexpr double kDefaultMaxSeconds = 3600.0;

  // The run ends with status kTimeLimitStatus once the clock passes `max_seconds`.
  explicit HeadlessEventLoop(VirtualClock& clock, double max_seconds = kDefaultMaxSeconds);

  void SetKeySource(KeySource* source) { source_ = source; }
  // Lets the clock pass over idle time. Only for a program whose every part looks at the clock
  // when it acts (the headless platform's parts do): a timer handler that did something without
  // looking would be taken for idle, and its ticks passed over.
  void SkipIdleTime(bool skip) { skip_idle_ = skip; }
  // Quit signals end the run (128 + the signal) the next time the program waits; none by default.
  void SetQuitSignals(const QuitSignals* signals) { quit_signals_ = signals; }
  // Why the run was cut off at the time limit; empty otherwise.
  const std::string& time_limit_message() const { return time_limit_message_; }

  // EventLoop
  void ShowMainWindow(const std::string&) override {}
  void DoEvents() override;
  void RunMessageLoop() override;
  void Pause() override;
  float Clock() override { return static_cast<float>(clock_.Now()); }

 private:
  // Moves the clock to `time`, ending the run when it passes the time limit.
  void AdvanceTo(double time);
  // Whether the program has been idle long enough that every enabled timer ticked meanwhile:
  // no key was delivered and nothing looked at the clock.
  bool Idle();
  // When the key source has its next event; nothing while it waits for the program or is done.
  std::optional<double> NextKeyDue();
  // Moves the clock straight to `key` (past the time limit when nothing will come), passing over
  // the timer ticks on the way.
  void SkipTo(std::optional<double> key);
  // Delivers every key event and runs every timer that is due now.
  void Serve();
  [[noreturn]] void EndAtTimeLimit();

  VirtualClock& clock_;
  double max_seconds_;
  KeySource* source_ = nullptr;
  const QuitSignals* quit_signals_ = nullptr;
  std::string time_limit_message_;
  bool skip_idle_ = false;
  uint64_t keys_delivered_ = 0;
  uint64_t activity_seen_ = 0;  // clock reads and keys delivered, when last looked at
  double quiet_since_ = 0;      // when the program was last seen to act
};

}  // namespace veltro::platform::headless
