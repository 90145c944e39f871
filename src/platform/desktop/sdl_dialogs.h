#pragma once

#include <SDL.h>

#include <functional>
#include <string>

#include "platform/dialogs.h"

namespace veltro::platform::desktop {

// The desktop's dialogs on SDL2: message boxes over the game window, the help page opened in the
// browser, and keystrokes sent to the window through SDL's queue.
class SdlDialogs : public Dialogs {
 public:
  // `window` is the game window; `help_page_path` the page that F1 opens.
  SdlDialogs(SDL_Window* window, std::string help_page_path);

  // Called with the text and title of every message box before it is shown, so the program can
  // also speak it (a blind user cannot read the box). Optional.
  std::function<void(const std::string& text, const std::string& title)> on_message_box;
  // Opens a URL in the desktop's browser; SDL_OpenURL unless replaced (tests replace it).
  // Throws PlatformError when it cannot.
  std::function<void(const std::string& url)> open_url;
  // The help page that F1 opens.
  std::string help_page_path;

  // Dialogs
  MessageBoxResult MessageBox(const std::string& text, const std::string& title,
                              MessageBoxIcon icon, MessageBoxButtons buttons) override;
  void ShowHelp() override;
  void SendKeys(const std::string& keys) override;

 private:
  void PushKey(SDL_Keycode key, Uint16 mod);

  SDL_Window* window_;
};

}  // namespace veltro::platform::desktop
