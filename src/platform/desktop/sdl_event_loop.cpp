// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/sdl_event_loop.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <utility>

#include "platform/base/platform_error.h"
#include "platform/desktop/sdl_key_map.h"

namespace veltro::platform::desktop {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

// A DoEvents with nothing to do and no timer enabled still returns this often, so that a loop
// that watches the clock (a pause) sees it move. While any timer runs, the timer decides.
constexpr auto kIdleWait = milliseconds(10);
// The message loop without any timer wakes this often, only to look after the display.
constexpr auto kLoopIdleWait = milliseconds(1000);
// A wait for a moment on the clock ends this much later, past the clock's rounding.
constexpr auto kPastClock = milliseconds(1);
// A Pause (the game polling a sound until it ends) sleeps this long unless a quit request or
// the display wakes it: short beside the sound, long beside a millisecond poll.
constexpr auto kPauseWait = milliseconds(20);
// SDL looks after the display when it reads it (keeping the screen saver off, for one); with
// nothing to read for this long it reads anyway.
constexpr auto kHousekeeping = std::chrono::seconds(10);
// SDL reads gamepads only when asked for events: this often while a pad is plugged in, and this
// often to notice one plugged in.
constexpr auto kGamepadPoll = milliseconds(10);
constexpr auto kGamepadHotPlug = std::chrono::seconds(1);
// How the program ends when its display goes away under it.
constexpr int kDisplayLostStatus = 1;
// An X server busy with other clients' connections may refuse one for a moment, and SDL then
// falls back to an invisible window; the display is asked again this often before giving up.
constexpr int kDisplayAttempts = 10;
constexpr auto kDisplayRetryWait = milliseconds(100);

// Set by Xlib's error handlers, which belong to the process and may not unwind.
std::atomic<bool> display_lost{false};
char display_failure[256] = {};
// Once the loop has let the program end, the status it ends with; -1 while it runs.
int ending_status = -1;

int OnDisplayError(Display* display, XErrorEvent* error) {
  if (!display_lost.exchange(true)) {
    char text[160] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::snprintf(display_failure, sizeof display_failure, "the display refused a request (%s)",
                  text);
  }
  return 0;
}

void OnDisplayConnectionLost(Display*, void*) {
  if (!display_lost.exchange(true)) {
    std::snprintf(display_failure, sizeof display_failure,
                  "the connection to the display was lost");
  }
  // Returning lets the loop end the program in order. Once it has (the window is being closed,
  // everything else of the program is released and its logs are written), Xlib's waits for the
  // window could only spin on the dead connection: the process ends here.
  if (ending_status >= 0) {
    std::fflush(nullptr);
    _exit(ending_status);
  }
}

int OnDisplayIoError(Display*) {
  return 0;  // said once, in the program's own words, when the loop ends the program
}

// The displays the desktop names, each with the SDL video driver that would open it.
constexpr std::pair<const char*, const char*> kDisplays[] = {{"DISPLAY", "x11"},
                                                             {"WAYLAND_DISPLAY", "wayland"}};

const char* DisplayName(const char* variable) {
  const char* name = std::getenv(variable);
  return name != nullptr && *name != '\0' ? name : nullptr;
}

// SDL falls back to an invisible window without saying so when the drivers of the named displays
// do not start: starts one of them by name, asking again a few times. Empty when one started;
// otherwise why each failed.
std::string StartDesktopDriver() {
  std::string reasons;
  for (int attempt = 0; attempt < kDisplayAttempts; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(kDisplayRetryWait);
    reasons.clear();
    for (auto [variable, driver] : kDisplays) {
      if (DisplayName(variable) == nullptr) continue;
      SDL_ClearError();
      if (SDL_VideoInit(driver) == 0) return "";
      const char* reason = SDL_GetError();
      reasons += (reasons.empty() ? "" : "; ") + std::string(*reason ? reason : "no reason given");
    }
    if (reasons.empty()) return "no display is named";
  }
  return reasons;
}

// The player's message: which display could not be opened, and SDL's reason.
std::string NoDisplayMessage(const std::string& reason) {
  std::string displays;
  for (auto [variable, driver] : kDisplays) {
    if (const char* name = DisplayName(variable)) {
      displays += (displays.empty() ? "" : " or ") + std::string(variable) + "=" + name;
    }
  }
  std::string message = "no display could be opened";
  if (displays.empty()) {
    message += " (neither DISPLAY nor WAYLAND_DISPLAY is set)";
  } else {
    message += ": " + displays + " (SDL: " + (reason.empty() ? "no reason given" : reason) + ")";
  }
  return message + "; Veltro Lander needs a graphical desktop for its window and keyboard";
}

}  // namespace

SdlEventLoop::SdlEventLoop()
    : EventLoop(
          [this] { return std::chrono::duration<double>(SteadyClock::now() - start_).count(); }) {
  // The window shows one plain colour: drawing it in software spares loading OpenGL at start-up.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // SIGINT and SIGTERM would come as SDL_QUIT, the player's own quit; the quit signals say which.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    throw PlatformError(NoDisplayMessage(SDL_GetError()));
  }
  // Without X11 or Wayland, SDL quietly opens an invisible window that hears no keys; the player
  // would be left with a silent, deaf game. Such a driver counts only when asked for by name.
  const std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
  const char* chosen = std::getenv("SDL_VIDEODRIVER");
  if ((driver == "offscreen" || driver == "dummy") && (chosen == nullptr || *chosen == '\0')) {
    if (std::string reasons = StartDesktopDriver(); !reasons.empty()) {
      SDL_Quit();
      throw PlatformError(NoDisplayMessage(reasons));
    }
  }
  window_ = SDL_CreateWindow("Veltro Lander", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 640,
                             480, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
  if (window_ == nullptr) {
    std::string reason = SDL_GetError();
    SDL_Quit();
    throw PlatformError("cannot create the game window (" + reason + ")");
  }
  // Keys are what the game wants, not composed text.
  SDL_StopTextInput();
  gamepads_ = std::make_unique<SdlGamepads>();
  WatchDisplay();
}

// On X11 the loop sleeps on the connection itself, and a display that fails or goes away ends
// the program through the loop instead of through Xlib's exit.
void SdlEventLoop::WatchDisplay() {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window_, &info) || info.subsystem != SDL_SYSWM_X11) return;
  display_ = info.info.x11.display;
  display_fd_ = ConnectionNumber(display_);
  display_lost = false;
  // A window destroyed by another program shows as a refused request.
  XSetErrorHandler(OnDisplayError);
  XSetIOErrorHandler(OnDisplayIoError);
  XSetIOErrorExitHandler(display_, OnDisplayConnectionLost, nullptr);
}

SdlEventLoop::~SdlEventLoop() {
  // With the display gone, Xlib can only fail again; the process's end frees the connection.
  if (display_lost) return;
  if (ending_status < 0) ending_status = 0;
  gamepads_.reset();
  SDL_DestroyWindow(window_);
  SDL_Quit();
  ending_status = -1;
}

void SdlEventLoop::ShowMainWindow(const std::string& title) {
  EndIfAsked();  // Xlib would wait for ever for a window on a display that is gone
  SDL_SetWindowTitle(window_, title.c_str());
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
  // Without a window manager (a bare X server) nobody else gives the window the keyboard.
  SDL_SetWindowInputFocus(window_);
  PaintWindow();
  unflushed_ = true;
}

void SdlEventLoop::PaintWindow() {
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (surface == nullptr) return;
  if (on_paint) {
    on_paint(surface);
  } else {
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 8, 12, 32));
  }
  SDL_UpdateWindowSurface(window_);
  unflushed_ = true;
}

void SdlEventLoop::EndIfAsked() {
  if (int signal = quit_signals_.Received()) End(QuitSignals::kStatusBase + signal);
  if (display_ != nullptr && display_lost) {
    std::cerr << "veltro-lander: " << display_failure << "; the game ends\n";
    End(kDisplayLostStatus);
  }
}

void SdlEventLoop::End(int status) {
  ending_status = status;
  throw ProgramEnded(status);
}

bool SdlEventLoop::DisplayHasInput() {
  if (display_ == nullptr) return true;  // another driver: SDL reads it each time
  if (XEventsQueued(display_, QueuedAlready) > 0) return true;
  // A wait that just timed out has looked at the connection already.
  if (std::exchange(display_idle_, false)) return false;
  pollfd connection{display_fd_, POLLIN, 0};
  return poll(&connection, 1, 0) > 0;
}

void SdlEventLoop::PumpDisplay() {
  SDL_PumpEvents();
  last_pump_ = SteadyClock::now();
  EndIfAsked();
}

void SdlEventLoop::WaitForInput(SteadyClock::time_point deadline) {
  // What the program asked of the display goes out before it sleeps. Xlib's flush also tries to
  // read the connection, so it is called only when something may wait to be sent.
  if (display_ != nullptr && std::exchange(unflushed_, false)) XFlush(display_);
  pollfd sources[2] = {{quit_signals_.wake_fd(), POLLIN, 0}, {display_fd_, POLLIN, 0}};
  // Another driver than X11 is looked at at least every few milliseconds, gamepads likewise.
  if (display_ == nullptr) deadline = std::min(deadline, SteadyClock::now() + milliseconds(5));
  if (gamepads_->AnyOpen()) deadline = std::min(deadline, SteadyClock::now() + kGamepadPoll);
  if (gamepads_->Available()) deadline = std::min(deadline, last_pump_ + kGamepadHotPlug);
  for (;;) {
    auto left = deadline - SteadyClock::now();
    if (left <= SteadyClock::duration::zero()) return;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
    const timespec timeout{static_cast<time_t>(seconds.count()),
                           static_cast<long>(std::chrono::nanoseconds(left - seconds).count())};
    const int ready = ppoll(sources, display_ == nullptr ? 1 : 2, &timeout, nullptr);
    if (ready > 0) {
      EndIfAsked();
      return;
    }
    display_idle_ = ready == 0;
    if (ready == 0 || errno != EINTR) return;
    EndIfAsked();  // a signal interrupted the sleep
  }
}

bool SdlEventLoop::GamepadsDue() const {
  return gamepads_->AnyOpen() ||
         (gamepads_->Available() && SteadyClock::now() - last_pump_ >= kGamepadHotPlug);
}

bool SdlEventLoop::ServePending() {
  EndIfAsked();
  if (DisplayHasInput() || SteadyClock::now() - last_pump_ > kHousekeeping || GamepadsDue()) {
    PumpDisplay();
  }
  // One event at a time: a handler that serves the queue itself receives the events after it.
  bool served = false;
  SDL_Event event;
  while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
    HandleEvent(event);
    served = true;
  }
  served = FireDueTimers() || served;
  if (served && on_served) on_served();
  return served;
}

void SdlEventLoop::DoEvents() {
  if (ServePending()) return;
  // The game waits for a key by serving the queue over and over (a menu, a pause). With nothing to
  // do, sleep until an event arrives or the next timer is due, instead of keeping a core busy.
  WaitForInput(NextTimerDue(SteadyClock::now() + kIdleWait));
  ServePending();
}

void SdlEventLoop::WaitForEvents(std::optional<float> until) {
  if (ServePending()) return;
  // A menu or a pause sleeps until its key, its next tick or its moment comes, and no more often
  // than the message loop, for the display's sake. The clock is read in single precision: the
  // wait ends a little after `until` so that the caller sees the clock past it.
  auto limit = SteadyClock::now() + kLoopIdleWait;
  if (until) {
    limit = std::min(limit, start_ + std::chrono::duration_cast<SteadyClock::duration>(
                                         std::chrono::duration<double>(*until) + kPastClock));
  }
  WaitForInput(NextTimerDue(limit));
  ServePending();
}

void SdlEventLoop::RunMessageLoop() {
  for (;;) {
    WaitForInput(NextTimerDue(SteadyClock::now() + kLoopIdleWait));
    ServePending();
  }
}

void SdlEventLoop::Pause() {
  // The queue is not served: keys stay queued for whatever comes after the pause. Only a quit
  // request, and the window's own events (it is drawn again when uncovered), are taken out.
  EndIfAsked();
  if (display_ == nullptr || !DisplayHasInput()) WaitForInput(SteadyClock::now() + kPauseWait);
  EndIfAsked();
  if (!DisplayHasInput() && !GamepadsDue()) return;
  PumpDisplay();
  SDL_Event event;
  while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_QUIT, SDL_QUIT) > 0 ||
         SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT) > 0) {
    HandleEvent(event);
  }
}

SteadyClock::time_point SdlEventLoop::NextTimerDue(SteadyClock::time_point limit) {
  std::optional<double> due = EventLoop::NextTimerDue();
  if (!due) return limit;
  auto at = start_ +
            std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(*due));
  return std::min(limit, at);
}

void SdlEventLoop::HandleEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      // Combinations with the Windows key are the desktop's, as Alt-Tab is; only its releases
      // come through (the space bar let go must still stop the thrusters).
      if (event.type == SDL_KEYDOWN && (event.key.keysym.mod & KMOD_GUI) != 0) break;
      if (int16_t code =
              VirtualKeyCode(event.key.keysym.sym, event.key.keysym.scancode, LatinLayout())) {
        DeliverKey(event.type == SDL_KEYDOWN, code, ModifierMask(event.key.keysym.mod),
                   event.key.repeat != 0);
      }
      break;
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
    case SDL_CONTROLLERAXISMOTION:
      for (const KeyEvent& key : gamepads_->Translate(event, in_flight && in_flight())) {
        DeliverKey(key.down, key.code, key.shift);
      }
      break;
    case SDL_QUIT:
      End(0);
    case SDL_WINDOWEVENT:
      // A window of a new size gets a new surface, and the text is drawn to its new size.
      if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
          event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        PaintWindow();
      }
      break;
    default:
      break;
  }
}

float SdlEventLoop::Clock() {
  return std::chrono::duration<float>(SteadyClock::now() - start_).count();
}

}  // namespace veltro::platform::desktop
