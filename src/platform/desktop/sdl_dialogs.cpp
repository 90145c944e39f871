// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/sdl_dialogs.h"

#include <cctype>
#include <cstdint>
#include <iostream>
#include <utility>

#include "platform/base/platform_error.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/base/text_lines.h"
#include "platform/desktop/default_handler.h"
#include "platform/desktop/sdl_key_map.h"
#include "platform/events/keys.h"

namespace veltro::platform::desktop {
namespace {

// Takes the keyboard while a box waits for its answer.
class BoxAnswer : public KeyHandler {
 public:
  explicit BoxAnswer(MessageBoxButtons buttons) : buttons_(buttons) {}
  void KeyDown(int16_t KeyCode, int16_t Shift) override {
    if (Shift != 0) return;
    if (KeyCode == keys::kReturn) answer = MessageBoxResult::kOk;
    if (KeyCode == keys::kEscape) {
      answer = buttons_ == MessageBoxButtons::kOkCancel ? MessageBoxResult::kCancel
                                                        : MessageBoxResult::kOk;
    }
  }
  void KeyUp(int16_t, int16_t) override {}

  std::optional<MessageBoxResult> answer;

 private:
  MessageBoxButtons buttons_;
};

}  // namespace

SdlDialogs::SdlDialogs(SdlEventLoop& events, std::string help_page_path)
    : open_file(OpenWithDefaultHandler),
      help_page_path(std::move(help_page_path)),
      events_(events) {}

void SdlDialogs::ShowHelp() {
  const std::string& path = help_page_path;
  if (!RegularFileExists(path)) {
    throw PlatformError("The help page is missing. It belongs at " + path + ".");
  }
  try {
    open_file(path);
  } catch (const PlatformError& failure) {
    std::cerr << "veltro-lander: " << failure.what() << "\n";
    throw PlatformError("No program opens the help page here. It is the file " + path + ".");
  }
}

MessageBoxResult SdlDialogs::MessageBox(const std::string& text, const std::string& title,
                                        MessageBoxIcon, MessageBoxButtons buttons) {
  std::cerr << "veltro-lander: " << (title.empty() ? "message" : title) << ": " << text << "\n";
  // A box at start-up comes before the game shows its window: the box needs it now.
  if (!events_.WindowShown()) events_.ShowMainWindow("Veltro Lander");
  const std::string keys = buttons == MessageBoxButtons::kOkCancel ? "Enter: OK    Escape: Cancel"
                                                                   : "OK: Enter or Escape";
  if (on_box) on_box(WindowText::Box{title, text, keys});
  BoxAnswer box(buttons);
  KeyHandler* previous = events_.SetKeyTarget(&box);
  ScopeGuard restore([&] {
    events_.SetKeyTarget(previous);
    if (on_box) on_box(std::nullopt);
  });
  while (!box.answer) events_.WaitForEvents();
  return *box.answer;
}

void SdlDialogs::PushKey(SDL_Keycode key, Uint16 mod) {
  for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
    SDL_Event event{};
    event.key.type = type;
    event.key.timestamp = SDL_GetTicks();
    event.key.windowID = SDL_GetWindowID(events_.window());
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    event.key.keysym.mod = mod;
    if (SDL_PushEvent(&event) < 0) {
      throw PlatformError(std::string("cannot send a keystroke: ") + SDL_GetError());
    }
  }
}

void SdlDialogs::SendKeys(const std::string& keys) {
  // The keystroke notation: a plain character is its own key ("+" before one adds Shift, "^"
  // Control, "%" Alt), a key name goes in braces ("{f1}", "{enter}", "{esc}", "{tab}").
  static const std::pair<const char*, SDL_Keycode> kNames[] = {
      {"f1", SDLK_F1},         {"enter", SDLK_RETURN}, {"esc", SDLK_ESCAPE},
      {"escape", SDLK_ESCAPE}, {"tab", SDLK_TAB},      {"up", SDLK_UP},
      {"down", SDLK_DOWN},     {"left", SDLK_LEFT},    {"right", SDLK_RIGHT},
      {"home", SDLK_HOME},     {"end", SDLK_END},      {"backspace", SDLK_BACKSPACE},
      {"bs", SDLK_BACKSPACE},  {"del", SDLK_DELETE},   {"delete", SDLK_DELETE}};
  Uint16 mod = KMOD_NONE;
  for (size_t i = 0; i < keys.size(); ++i) {
    char c = keys[i];
    if (c == '+' || c == '^' || c == '%') {
      mod |= c == '+' ? KMOD_LSHIFT : c == '^' ? KMOD_LCTRL : KMOD_LALT;
      continue;
    }
    SDL_Keycode key = SDLK_UNKNOWN;
    if (c == '{') {
      size_t close = keys.find('}', i + 1);
      if (close == std::string::npos) {
        throw PlatformError("cannot send the keystrokes \"" + keys + "\": a \"{\" is not closed");
      }
      std::string name = LowerCase(keys.substr(i + 1, close - i - 1));
      for (const auto& [known, sdl_key] : kNames) {
        if (name == known) key = sdl_key;
      }
      if (key == SDLK_UNKNOWN && name.size() == 1) key = std::tolower(name[0]);
      i = close;
    } else if (c == '~') {
      key = SDLK_RETURN;
    } else {
      key = std::tolower(static_cast<unsigned char>(c));
    }
    if (key == SDLK_UNKNOWN || VirtualKeyCode(key, SDL_GetScancodeFromKey(key)) == 0) {
      throw PlatformError("cannot send the keystrokes \"" + keys + "\": unknown key");
    }
    PushKey(key, mod);
    mod = KMOD_NONE;
  }
}

}  // namespace veltro::platform::desktop
