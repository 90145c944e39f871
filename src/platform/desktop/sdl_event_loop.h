// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/desktop/sdl_gamepads.h"
#include "platform/events/event_loop.h"
#include "platform/events/quit_signals.h"

struct _XDisplay;

namespace veltro::platform::desktop {

// The desktop's event loop on SDL2: one window that takes the keyboard, key presses (with
// auto-repeat) and releases as Windows virtual-key codes, gamepads that stand for keys, and
// timers.
//
// It wakes only when there is work: it sleeps on the X connection and on the quit signals until
// the next timer is due (to the system timer's precision), and reads the X connection only when
// it has something to read. Every quit request ends the program through ProgramEnded, in any
// wait: closing the window (status 0), SIGTERM, SIGINT or SIGHUP (128 + the signal), or the
// display going away under the program (status 1, with a message).
//
// SDL keeps global state, so only one of these may exist at a time. Everything runs on the thread
// that created it.
class SdlEventLoop : public EventLoop {
 public:
  // Opens the display and creates the (hidden) window. Throws PlatformError when no display can
  // be opened.
  SdlEventLoop();
  ~SdlEventLoop() override;

  // The SDL window, for the dialogs that belong to it and for code that wants to draw.
  SDL_Window* window() const { return window_; }
  // Whether the window is on the screen.
  bool WindowShown() const { return (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN) != 0; }
  // Draws the window's content onto its surface; one plain colour while unset.
  std::function<void(SDL_Surface* surface)> on_paint;
  // Draws the window again (its content changed).
  void Repaint() { PaintWindow(); }
  // Whether a flight runs, for the gamepad's button that fires the thrusters in flight and
  // chooses elsewhere; unset, it always chooses.
  std::function<bool()> in_flight;
  // Runs after each round of the queue that delivered an event or a timer tick: the moments the
  // program's state may have changed.
  std::function<void()> on_served;

  // EventLoop
  void ShowMainWindow(const std::string& title) override;
  void DoEvents() override;
  void WaitForEvents(std::optional<float> until = std::nullopt) override;
  void RunMessageLoop() override;
  void Pause() override;
  float Clock() override;

 private:
  using SteadyClock = std::chrono::steady_clock;

  // Handles every pending event and runs the due timers; whether there was anything to do.
  bool ServePending();
  // Whether SDL must be asked for gamepad events now: a pad is open, or a new one may have come.
  bool GamepadsDue() const;
  void HandleEvent(const SDL_Event& event);
  // The moment the next enabled timer is due, or `limit` if none is due sooner.
  SteadyClock::time_point NextTimerDue(SteadyClock::time_point limit);
  // Whether the X connection has events to read, or has read them already.
  bool DisplayHasInput();
  // Sleeps until the X connection has input, a quit signal arrives or `deadline` passes.
  void WaitForInput(SteadyClock::time_point deadline);
  // Moves what the X connection has into SDL's queue.
  void PumpDisplay();
  // Ends the program when a quit signal came or the display went away.
  void EndIfAsked();
  // Ends the program with `status`, remembering it for the window's last moments.
  [[noreturn]] void End(int status);
  void WatchDisplay();
  void PaintWindow();

  SteadyClock::time_point start_ = SteadyClock::now();
  QuitSignals quit_signals_;
  SDL_Window* window_ = nullptr;
  // The X connection of the window, when SDL runs on X11; null on other drivers.
  _XDisplay* display_ = nullptr;
  int display_fd_ = -1;
  // Requests may wait in Xlib's buffer (the window was shown or drawn since the last flush).
  bool unflushed_ = true;
  // The last wait timed out: the connection had nothing to read at that moment.
  bool display_idle_ = false;
  SteadyClock::time_point last_pump_{};
  std::unique_ptr<SdlGamepads> gamepads_;
};

}  // namespace veltro::platform::desktop
