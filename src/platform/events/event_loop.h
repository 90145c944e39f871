// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/events/dispatch.h"
#include "platform/events/timer_list.h"

namespace veltro::platform {

class Dialogs;

// One key press or release as the keyboard would send it.
struct KeyEvent {
  bool down = true;
  int16_t code = 0;
  int16_t shift = 0;
  bool repeat = false;  // the auto-repeat of a key held down
};

// Receives the key presses and releases of whichever window has the keyboard.
class KeyHandler {
 public:
  virtual ~KeyHandler() = default;
  virtual void KeyDown(int16_t KeyCode, int16_t Shift) = 0;
  virtual void KeyUp(int16_t KeyCode, int16_t Shift) = 0;
  // The auto-repeat of a key held down: a press again, unless the handler tells them apart.
  virtual void KeyRepeat(int16_t KeyCode, int16_t Shift) { KeyDown(KeyCode, Shift); }
};

// The program's window and its queue of key events and timers. The key target, the timers, the
// help key and the failure report are the same on every platform and live here; a platform
// supplies its window, its clock, and the way it waits for and collects events. Failures are
// reported by throwing PlatformError.
class EventLoop {
 public:
  virtual ~EventLoop() = default;
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // Key events go to the current key target; the speech form takes the keyboard while its key
  // loops run and gives it back afterwards. Returns the previous target.
  KeyHandler* SetKeyTarget(KeyHandler* target) { return std::exchange(key_target_, target); }
  KeyHandler* key_target() const { return key_target_; }
  // Where F1 opens the help page; nothing opens it until this is set.
  void SetHelp(Dialogs* dialogs) { help_ = dialogs; }

  virtual void ShowMainWindow(const std::string& title) = 0;

  // Timers start disabled with an interval of 0; `on_tick` runs each time the timer fires.
  std::unique_ptr<Timer> CreateTimer(std::function<void()> on_tick) {
    return timers_.Create(std::move(on_tick));
  }

  // Serve the queue once: deliver pending key events, run every timer that is due, return.
  virtual void DoEvents() = 0;
  // As DoEvents, for a loop that waits for something the queue brings (a key, a tick) or for the
  // clock to pass `until`: with nothing to do it may sleep until one of them comes.
  virtual void WaitForEvents(std::optional<float> until = std::nullopt) {
    static_cast<void>(until);
    DoEvents();
  }
  // Wait for events and timers until EndProgram is called.
  virtual void RunMessageLoop() = 0;
  // Give the processor away briefly, without serving the queue: for loops that poll a sound.
  virtual void Pause() = 0;
  // Ends the program at once by throwing ProgramEnded; nothing is released first.
  [[noreturn]] void EndProgram() { throw ProgramEnded(0); }

  // Seconds on a monotonic clock, in single precision.
  virtual float Clock() = 0;

  // Runs one event handler (a key press or release, a timer tick, the start of the program). A
  // failure that a handler passes on (a speech service that went away mid-game) stops that handler
  // only; it is reported and the program goes on. Every event is delivered through it.
  template <class Handler>
  void Dispatch(Handler&& handler) {
    failures_.Run(std::forward<Handler>(handler));
  }

 protected:
  // `now` is the clock the timers run on, in seconds.
  explicit EventLoop(std::function<double()> now) : timers_(std::move(now)) {}

  // Delivers one key press or release to the key target. F1 alone opens the help page first (not
  // its auto-repeat); the key itself still reaches the program.
  void DeliverKey(bool down, int16_t code, int16_t shift, bool repeat = false);
  // Runs every timer that is due; whether any ran.
  bool FireDueTimers() { return timers_.FireDue(failures_); }
  // When the next enabled timer is due, on the timers' clock; nothing when none is enabled.
  std::optional<double> NextTimerDue() const { return timers_.NextDue(); }
  double LongestTimerInterval() const { return timers_.LongestInterval(); }
  void SkipTimerTicksBefore(double time) { timers_.SkipTicksBefore(time); }

 private:
  KeyHandler* key_target_ = nullptr;
  Dialogs* help_ = nullptr;
  TimerList timers_;
  HandlerFailureReport failures_;
};

}  // namespace veltro::platform
