#include "platform/desktop/sdl_event_loop.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>

#include "platform/desktop/sdl_key_map.h"
#include "platform/platform_error.h"

namespace veltro::platform::desktop {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

// Waiting for the next timer: SDL's wait (which sleeps in the X connection's poll) takes all but
// this last stretch, which is slept in short steps for about a millisecond of accuracy.
constexpr auto kPreciseTail = milliseconds(1);
constexpr auto kShortSleep = std::chrono::microseconds(250);
// The longest a DoEvents with nothing to do waits for something to happen.
constexpr auto kIdleWait = milliseconds(10);

// The displays the desktop names, each with the SDL video driver that would open it.
constexpr std::pair<const char*, const char*> kDisplays[] = {{"DISPLAY", "x11"},
                                                             {"WAYLAND_DISPLAY", "wayland"}};

const char* DisplayName(const char* variable) {
  const char* name = std::getenv(variable);
  return name != nullptr && *name != '\0' ? name : nullptr;
}

// Why SDL could not start the drivers of the named displays; it falls back to an invisible window
// without saying so, so each is asked again on its own.
std::string DesktopDriverFailure() {
  std::string reasons;
  for (auto [variable, driver] : kDisplays) {
    if (DisplayName(variable) == nullptr) continue;
    SDL_ClearError();
    if (SDL_VideoInit(driver) == 0) continue;
    reasons += (reasons.empty() ? "" : "; ") + std::string(SDL_GetError());
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
  // Window close (and Control-C in the terminal) arrives as SDL_QUIT, which ends the program.
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    throw PlatformError(NoDisplayMessage(SDL_GetError()));
  }
  // Without X11 or Wayland, SDL quietly opens an invisible window that hears no keys; the player
  // would be left with a silent, deaf game. Such a driver counts only when asked for by name.
  const std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
  const char* chosen = std::getenv("SDL_VIDEODRIVER");
  if ((driver == "offscreen" || driver == "dummy") && (chosen == nullptr || *chosen == '\0')) {
    std::string message = NoDisplayMessage(DesktopDriverFailure());
    SDL_Quit();
    throw PlatformError(message);
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
}

SdlEventLoop::~SdlEventLoop() {
  SDL_DestroyWindow(window_);
  SDL_Quit();
}

void SdlEventLoop::ShowMainWindow(const std::string& title) {
  SDL_SetWindowTitle(window_, title.c_str());
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
  // Without a window manager (a bare X server) nobody else gives the window the keyboard.
  SDL_SetWindowInputFocus(window_);
  PaintWindow();
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
}

bool SdlEventLoop::ServePending() {
  bool served = false;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    HandleEvent(event);
    served = true;
  }
  return FireDueTimers() || served;
}

void SdlEventLoop::DoEvents() {
  if (ServePending()) return;
  // The game waits for a key by serving the queue over and over (a menu, a pause). With nothing to
  // do, sleep until an event arrives or the next timer is due (10 ms at most, so that such a
  // loop still sees the clock move), instead of keeping a core busy. Keys do not wait for this.
  WaitUntil(NextTimerDue(SteadyClock::now() + kIdleWait));
  ServePending();
}

void SdlEventLoop::RunMessageLoop() {
  for (;;) {
    // Wake at least every half second even without timers; events wake the wait sooner.
    WaitUntil(NextTimerDue(SteadyClock::now() + milliseconds(500)));
    ServePending();
  }
}

void SdlEventLoop::WaitUntil(SteadyClock::time_point deadline) {
  SDL_Event event;
  for (;;) {
    auto left = deadline - SteadyClock::now();
    if (left <= SteadyClock::duration::zero()) return;
    if (left > kPreciseTail) {
      int wait_ms =
          static_cast<int>(std::chrono::duration_cast<milliseconds>(left - kPreciseTail).count());
      if (SDL_WaitEventTimeout(&event, std::max(wait_ms, 1)) != 0) {
        HandleEvent(event);
        return;
      }
    } else {
      if (SDL_PollEvent(&event) != 0) {
        HandleEvent(event);
        return;
      }
      std::this_thread::sleep_for(std::min<SteadyClock::duration>(left, kShortSleep));
    }
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
      if (int16_t code = VirtualKeyCode(event.key.keysym.sym, event.key.keysym.scancode)) {
        DeliverKey(event.type == SDL_KEYDOWN, code, ModifierMask(event.key.keysym.mod),
                   event.key.repeat != 0);
      }
      break;
    case SDL_QUIT:
      EndProgram();
      break;
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

void SdlEventLoop::Pause() {
  std::this_thread::sleep_for(milliseconds(1));
}

float SdlEventLoop::Clock() {
  return std::chrono::duration<float>(SteadyClock::now() - start_).count();
}

}  // namespace veltro::platform::desktop
