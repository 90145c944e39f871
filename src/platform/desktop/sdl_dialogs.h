// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <SDL.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/desktop/sdl_event_loop.h"
#include "platform/desktop/window_text.h"
#include "platform/events/dialogs.h"

namespace veltro::platform::desktop {

// The desktop's dialogs on SDL2: message boxes inside the game window, the help page opened in the
// desktop's browser, and keystrokes sent to the window through SDL's queue.
//
// A message box is drawn by whoever paints the window (on_box) and answered from the keyboard:
// Enter is OK, Escape is Cancel (or OK when that is the only button). The queue is served while
// it waits, so timers run and a quit request (window close, SIGTERM) ends the program at once.
class SdlDialogs : public Dialogs {
 public:
  // `events` owns the game window; `help_page_path` is the page that F1 opens.
  SdlDialogs(SdlEventLoop& events, std::string help_page_path);

  // Told of the box to draw in the window, and of nothing when it has been answered. Optional.
  std::function<void(const std::optional<WindowText::Box>& box)> on_box;
  // Opens a file in the desktop's default program for it (OpenWithDefaultHandler unless replaced;
  // tests replace it). Throws PlatformError when it cannot.
  std::function<void(const std::string& path)> open_file;
  // The help page that F1 opens.
  std::string help_page_path;

  // Dialogs
  MessageBoxResult MessageBox(const std::string& text, const std::string& title,
                              MessageBoxIcon icon, MessageBoxButtons buttons) override;
  // Throws PlatformError, saying where the page is, when it cannot be opened.
  void ShowHelp() override;
  void SendKeys(const std::string& keys) override;

 private:
  void PushKey(SDL_Keycode key, Uint16 mod);

  SdlEventLoop& events_;
};

}  // namespace veltro::platform::desktop
