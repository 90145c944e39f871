#pragma once

#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/timer_list.h"
#include "platform/user_interface.h"

namespace veltro::platform::desktop {

// The desktop's user interface on SDL2: one window that takes the keyboard, key presses (with
// auto-repeat) and releases as Windows virtual-key codes, timers served from SDL's event queue
// with about a millisecond of accuracy, message boxes, and the help page opened in the browser.
//
// SDL keeps global state, so only one of these may exist at a time. Everything runs on the thread
// that created it.
class SdlUserInterface : public UserInterface {
 public:
  // Opens the display and creates the (hidden) window. Throws PlatformError when no display can
  // be opened. `command_line` is the argument text the program was started with.
  explicit SdlUserInterface(std::string command_line);
  ~SdlUserInterface() override;
  SdlUserInterface(const SdlUserInterface&) = delete;
  SdlUserInterface& operator=(const SdlUserInterface&) = delete;

  // Called with the text and title of every message box before it is shown, so the program can
  // also speak it (a blind user cannot read the box). Optional.
  std::function<void(const std::string& text, const std::string& title)> on_message_box;
  // Opens a URL in the desktop's browser; SDL_OpenURL unless replaced (tests replace it).
  // Throws PlatformError when it cannot.
  std::function<void(const std::string& url)> open_url;

  // Draws the window's content onto its surface; one plain colour while unset.
  std::function<void(SDL_Surface* surface)> on_paint;
  // Draws the window again (its content changed).
  void Repaint() { PaintWindow(); }

  // The help page that F1 opens; beside the program unless changed.
  std::string help_page_path;
  // The SDL window, for code that wants to draw or parent a dialog to it.
  SDL_Window* window() const { return window_; }

  // UserInterface
  KeyHandler* SetKeyTarget(KeyHandler* target) override;
  void ShowMainWindow(const std::string& title) override;
  std::unique_ptr<Timer> CreateTimer(std::function<void()> on_tick) override;
  void DoEvents() override;
  void RunMessageLoop() override;
  void Pause() override;
  [[noreturn]] void EndProgram() override;
  float Clock() override;
  void SeedRandom(float seed) override;
  double Random() override;
  MessageBoxResult MessageBox(const std::string& text, const std::string& title,
                              MessageBoxIcon icon, MessageBoxButtons buttons) override;
  void SendKeys(const std::string& keys) override;
  std::string ProgramFolder() override;
  std::string CommandLine() override { return command_line_; }
  bool FileExists(const std::string& path) override;
  std::vector<std::string> ReadLines(const std::string& path) override;

 private:
  using SteadyClock = std::chrono::steady_clock;

  // Handles every pending event and runs the due timers; whether there was anything to do.
  bool ServePending();
  void HandleEvent(const SDL_Event& event);
  void HandleKey(const SDL_KeyboardEvent& key);
  // The moment the next enabled timer is due, or `limit` if none is due sooner.
  SteadyClock::time_point NextTimerDue(SteadyClock::time_point limit);
  // Waits until an event arrives or `deadline` passes, handling the event if one came.
  void WaitUntil(SteadyClock::time_point deadline);
  void OpenHelp();
  void PaintWindow();
  void PushKey(SDL_Keycode key, Uint16 mod);

  std::string command_line_;
  SDL_Window* window_ = nullptr;
  KeyHandler* key_target_ = nullptr;
  SteadyClock::time_point start_ = SteadyClock::now();
  std::mt19937_64 random_;
  TimerList timers_{[start = start_] {
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
  }};
};

}  // namespace veltro::platform::desktop
