#pragma once

#include <SDL.h>

#include <chrono>
#include <functional>
#include <string>

#include "platform/event_loop.h"

namespace veltro::platform::desktop {

// The desktop's event loop on SDL2: one window that takes the keyboard, key presses (with
// auto-repeat) and releases as Windows virtual-key codes, and timers served from SDL's event
// queue with about a millisecond of accuracy.
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

  // EventLoop
  void ShowMainWindow(const std::string& title) override;
  void DoEvents() override;
  void RunMessageLoop() override;
  void Pause() override;
  float Clock() override;

 private:
  using SteadyClock = std::chrono::steady_clock;

  // Handles every pending event and runs the due timers; whether there was anything to do.
  bool ServePending();
  void HandleEvent(const SDL_Event& event);
  // The moment the next enabled timer is due, or `limit` if none is due sooner.
  SteadyClock::time_point NextTimerDue(SteadyClock::time_point limit);
  // Waits until an event arrives or `deadline` passes, handling the event if one came.
  void WaitUntil(SteadyClock::time_point deadline);
  void PaintWindow();

  SteadyClock::time_point start_ = SteadyClock::now();
  SDL_Window* window_ = nullptr;
};

}  // namespace veltro::platform::desktop
