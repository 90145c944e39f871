#include "platform/desktop/sdl_user_interface.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <thread>
#include <utility>

#include "platform/desktop/sdl_key_map.h"
#include "platform/keys.h"
#include "platform/platform_error.h"
#include "platform/text_lines.h"

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

std::string Lowercase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

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

SdlUserInterface::SdlUserInterface(std::string command_line)
    : open_url(OpenUrlWithSdl), command_line_(std::move(command_line)) {
  // The window shows one plain colour: drawing it in software spares loading OpenGL at start-up.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // Window close (and Control-C in the terminal) arrives as SDL_QUIT, which ends the program.
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    throw PlatformError(std::string("no display could be opened (") + SDL_GetError() +
                        "); Veltro Lander needs a graphical desktop for its window and keyboard");
  }
  // Without X11 or Wayland, SDL quietly opens an invisible window that hears no keys; the player
  // would be left with a silent, deaf game. Such a driver counts only when asked for by name.
  const std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
  const char* chosen = std::getenv("SDL_VIDEODRIVER");
  if ((driver == "offscreen" || driver == "dummy") && (chosen == nullptr || *chosen == '\0')) {
    SDL_Quit();
    throw PlatformError(
        "no display could be opened (neither DISPLAY nor WAYLAND_DISPLAY is set); Veltro Lander "
        "needs a graphical desktop for its window and keyboard");
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
  help_page_path = ProgramFolder() + "/help.html";
}

SdlUserInterface::~SdlUserInterface() {
  SDL_DestroyWindow(window_);
  SDL_Quit();
}

KeyHandler* SdlUserInterface::SetKeyTarget(KeyHandler* target) {
  return std::exchange(key_target_, target);
}

void SdlUserInterface::ShowMainWindow(const std::string& title) {
  SDL_SetWindowTitle(window_, title.c_str());
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
  // Without a window manager (a bare X server) nobody else gives the window the keyboard.
  SDL_SetWindowInputFocus(window_);
  PaintWindow();
}

void SdlUserInterface::PaintWindow() {
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (surface == nullptr) return;
  if (on_paint) {
    on_paint(surface);
  } else {
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 8, 12, 32));
  }
  SDL_UpdateWindowSurface(window_);
}

std::unique_ptr<Timer> SdlUserInterface::CreateTimer(std::function<void()> on_tick) {
  return timers_.Create(std::move(on_tick));
}

bool SdlUserInterface::ServePending() {
  bool served = false;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    HandleEvent(event);
    served = true;
  }
  return timers_.FireDue(*this) || served;
}

void SdlUserInterface::DoEvents() {
  if (ServePending()) return;
  // The game waits for a key by serving the queue over and over (a menu, a pause). With nothing to
  // do, sleep until an event arrives or the next timer is due (10 ms at most, so that such a
  // loop still sees the clock move), instead of keeping a core busy. Keys do not wait for this.
  WaitUntil(NextTimerDue(SteadyClock::now() + kIdleWait));
  ServePending();
}

void SdlUserInterface::RunMessageLoop() {
  for (;;) {
    // Wake at least every half second even without timers; events wake the wait sooner.
    WaitUntil(NextTimerDue(SteadyClock::now() + milliseconds(500)));
    ServePending();
  }
}

void SdlUserInterface::WaitUntil(SteadyClock::time_point deadline) {
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

SteadyClock::time_point SdlUserInterface::NextTimerDue(SteadyClock::time_point limit) {
  std::optional<double> due = timers_.NextDue();
  if (!due) return limit;
  auto at = start_ +
            std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(*due));
  return std::min(limit, at);
}

void SdlUserInterface::HandleEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      HandleKey(event.key);
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

void SdlUserInterface::HandleKey(const SDL_KeyboardEvent& key) {
  int16_t code = VirtualKeyCode(key.keysym.sym, key.keysym.scancode);
  if (code == 0) return;
  int16_t shift = ModifierMask(key.keysym.mod);
  bool down = key.type == SDL_KEYDOWN;
  // F1 opens the help page (not its auto-repeat); the key itself still reaches the game.
  if (down && code == keys::kF1 && shift == 0 && key.repeat == 0) {
    Dispatch([&] { OpenHelp(); });
  }
  KeyHandler* target = key_target_;
  if (target == nullptr) return;
  if (down) {
    Dispatch([&] { target->KeyDown(code, shift); });
  } else {
    Dispatch([&] { target->KeyUp(code, shift); });
  }
}

void SdlUserInterface::OpenHelp() {
  const std::string& path = help_page_path;
  if (!FileExists(path)) {
    std::cerr << "veltro-lander: the help page is missing; it belongs at " << path << "\n";
    return;
  }
  try {
    open_url(FileUrl(path));
  } catch (const PlatformError& failure) {
    std::cerr << "veltro-lander: " << failure.what() << "; the help page is " << path << "\n";
  }
}

void SdlUserInterface::Pause() {
  std::this_thread::sleep_for(milliseconds(1));
}

void SdlUserInterface::EndProgram() {
  throw ProgramEnded(0);
}

float SdlUserInterface::Clock() {
  return std::chrono::duration<float>(SteadyClock::now() - start_).count();
}

void SdlUserInterface::SeedRandom(float seed) {
  random_.seed(std::bit_cast<uint32_t>(seed));
}

double SdlUserInterface::Random() {
  // 53 random bits scaled into [0, 1): never 1.
  return static_cast<double>(random_() >> 11) * 0x1.0p-53;
}

MessageBoxResult SdlUserInterface::MessageBox(const std::string& text, const std::string& title,
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

void SdlUserInterface::PushKey(SDL_Keycode key, Uint16 mod) {
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

void SdlUserInterface::SendKeys(const std::string& keys) {
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
      std::string name = Lowercase(keys.substr(i + 1, close - i - 1));
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

std::string SdlUserInterface::ProgramFolder() {
  std::string folder;
  if (char* base = SDL_GetBasePath()) {
    folder = base;
    SDL_free(base);
  } else {
    std::error_code error;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) throw PlatformError("cannot find the program's folder: " + error.message());
    folder = exe.parent_path().string();
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

bool SdlUserInterface::FileExists(const std::string& path) {
  return RegularFileExists(path);
}

std::vector<std::string> SdlUserInterface::ReadLines(const std::string& path) {
  return ReadTextFileLines(path);
}

}  // namespace veltro::platform::desktop
