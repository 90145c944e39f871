#include "platform/desktop/sdl_dialogs.h"

#include <cctype>
#include <iostream>
#include <utility>

#include "platform/desktop/sdl_key_map.h"
#include "platform/platform_error.h"
#include "platform/text.h"
#include "platform/text_lines.h"

namespace veltro::platform::desktop {
namespace {

// A file path as a file:// URL: every byte outside the unreserved set is percent-encoded.
std::string FileUrl(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

void OpenUrlWithSdl(const std::string& url) {
  if (SDL_OpenURL(url.c_str()) != 0) {
    throw PlatformError(std::string("cannot open ") + url + ": " + SDL_GetError());
  }
}

}  // namespace

SdlDialogs::SdlDialogs(SDL_Window* window, std::string help_page_path)
    : open_url(OpenUrlWithSdl), help_page_path(std::move(help_page_path)), window_(window) {}

void SdlDialogs::ShowHelp() {
  const std::string& path = help_page_path;
  if (!RegularFileExists(path)) {
    std::cerr << "veltro-lander: the help page is missing; it belongs at " << path << "\n";
    return;
  }
  try {
    open_url(FileUrl(path));
  } catch (const PlatformError& failure) {
    std::cerr << "veltro-lander: " << failure.what() << "; the help page is " << path << "\n";
  }
}

MessageBoxResult SdlDialogs::MessageBox(const std::string& text, const std::string& title,
                                        MessageBoxIcon icon, MessageBoxButtons buttons) {
  std::cerr << "veltro-lander: " << (title.empty() ? "message" : title) << ": " << text << "\n";
  if (on_message_box) on_message_box(text, title);

  Uint32 flags = icon == MessageBoxIcon::kCritical      ? SDL_MESSAGEBOX_ERROR
                 : icon == MessageBoxIcon::kInformation ? SDL_MESSAGEBOX_INFORMATION
                                                        : 0;
  // Return chooses OK, Escape chooses Cancel (or OK when that is the only button).
  constexpr int kOkId = 1;
  constexpr int kCancelId = 0;
  SDL_MessageBoxButtonData button_data[2];
  int count = 0;
  Uint32 ok_flags = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
  if (buttons == MessageBoxButtons::kOk) ok_flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
  button_data[count++] = {ok_flags, kOkId, "OK"};
  if (buttons == MessageBoxButtons::kOkCancel) {
    button_data[count++] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kCancelId, "Cancel"};
  }
  SDL_MessageBoxData box{
      flags,         SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN ? window_ : nullptr,
      title.c_str(), text.c_str(),
      count,         button_data,
      nullptr};
  int chosen = kOkId;
  if (SDL_ShowMessageBox(&box, &chosen) != 0) {
    std::cerr << "veltro-lander: (the message box could not be shown: " << SDL_GetError()
              << "; taken as OK)\n";
    return MessageBoxResult::kOk;
  }
  return chosen == kCancelId ? MessageBoxResult::kCancel : MessageBoxResult::kOk;
}

void SdlDialogs::PushKey(SDL_Keycode key, Uint16 mod) {
  for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
    SDL_Event event{};
    event.key.type = type;
    event.key.timestamp = SDL_GetTicks();
    event.key.windowID = SDL_GetWindowID(window_);
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
