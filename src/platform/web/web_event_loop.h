// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

#include "platform/events/event_loop.h"
#include "platform/headless/headless_event_loop.h"

namespace veltro::platform::web {

// The event loop of the browser edition. The program runs as one long call that sleeps (through
// Asyncify) whenever it waits, so the browser can deliver the page's key events meanwhile; the
// game's nested loops work as on the desktop. A scripted run adds the keys of a script.
class WebEventLoop : public EventLoop {
 public:
  // A DoEvents with nothing to do returns after this long at most, so that a loop watching the
  // clock sees it move; a Pause sleeps this long (milliseconds). Keys wake either at once.
  static constexpr int kIdleWaitMs = 10;
  // The message loop without any timer wakes this often.
  static constexpr int kLoopIdleWaitMs = 1000;
  // The longest the program runs without letting the browser run (milliseconds).
  static constexpr int kLongestBusyMs = 50;

  WebEventLoop();

  // Whether a flight runs, told to the page's gamepad; unset, none runs.
  std::function<bool()> in_flight;

  // A script whose keys are played besides the player's (nothing: the player's only).
  void SetKeySource(headless::KeySource* script) { script_ = script; }

  // EventLoop
  void ShowMainWindow(const std::string& title) override;
  void DoEvents() override;
  void RunMessageLoop() override;
  void Pause() override;
  float Clock() override { return static_cast<float>(Now()); }

 private:
  static double Now();
  // Delivers every key event that has arrived and runs every timer that is due; whether any.
  bool Serve();
  // Sleeps until a key arrives, the next timer or scripted key is due, or `longest_ms` passed.
  void WaitForInput(int longest_ms);
  // Lets the browser run for `milliseconds` (0: only what is waiting).
  void Yield(int milliseconds);

  headless::KeySource* script_ = nullptr;
  double last_yield_ = 0;
  bool told_in_flight_ = false;
};

}  // namespace veltro::platform::web
