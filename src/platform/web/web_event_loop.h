#pragma once

#include <functional>
#include <string>

#include "platform/event_loop.h"
#include "platform/headless/headless_event_loop.h"

namespace veltro::platform::web {

// The event loop of the browser edition. The program runs as one long call that sleeps (through
// Asyncify) whenever it waits, so the browser can deliver the page's key events meanwhile; the
// game's nested loops work as on the desktop. A scripted run adds the keys of a script.
class WebEventLoop : public EventLoop {
 public:
  // The longest sleep while waiting: keys are picked up at least this often (milliseconds).
  static constexpr int kLongestWaitMs = 10;

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
  // Delivers every key event that has arrived and runs every timer that is due.
  void Serve();

  headless::KeySource* script_ = nullptr;
  bool told_in_flight_ = false;
};

}  // namespace veltro::platform::web
