// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/sdl_key_map.h"

#include <utility>

#include "platform/events/keys.h"

namespace veltro::platform::desktop {
namespace {

// Keys whose code does not follow from a character: SDL key -> Windows virtual-key code.
constexpr std::pair<SDL_Keycode, int16_t> kNamedKeys[] = {
    {SDLK_BACKSPACE, keys::kBack},
    {SDLK_TAB, keys::kTab},
    {SDLK_RETURN, keys::kReturn},
    {SDLK_RETURN2, keys::kReturn},
    {SDLK_KP_ENTER, keys::kReturn},
    {SDLK_LSHIFT, keys::kShift},
    {SDLK_RSHIFT, keys::kShift},
    {SDLK_LCTRL, keys::kControl},
    {SDLK_RCTRL, keys::kControl},
    {SDLK_LALT, keys::kAlt},
    {SDLK_RALT, keys::kAlt},
    {SDLK_PAUSE, 19},
    {SDLK_CAPSLOCK, 20},
    {SDLK_ESCAPE, keys::kEscape},
    {SDLK_SPACE, keys::kSpace},
    {SDLK_PAGEUP, 33},
    {SDLK_PAGEDOWN, 34},
    {SDLK_END, keys::kEnd},
    {SDLK_HOME, keys::kHome},
    {SDLK_LEFT, keys::kLeft},
    {SDLK_UP, keys::kUp},
    {SDLK_RIGHT, keys::kRight},
    {SDLK_DOWN, keys::kDown},
    {SDLK_INSERT, 45},
    {SDLK_DELETE, 46},
    {SDLK_KP_0, 96},
    {SDLK_KP_1, 97},
    {SDLK_KP_2, 98},
    {SDLK_KP_3, 99},
    {SDLK_KP_4, 100},
    {SDLK_KP_5, 101},
    {SDLK_KP_6, 102},
    {SDLK_KP_7, 103},
    {SDLK_KP_8, 104},
    {SDLK_KP_9, 105},
    {SDLK_KP_MULTIPLY, 106},
    {SDLK_KP_PLUS, 107},
    {SDLK_KP_MINUS, 109},
    {SDLK_KP_PERIOD, 110},
    {SDLK_KP_DIVIDE, 111},
    {SDLK_F1, keys::kF1},
    {SDLK_F2, 113},
    {SDLK_F3, 114},
    {SDLK_F4, 115},
    {SDLK_F5, 116},
    {SDLK_F6, 117},
    {SDLK_F7, 118},
    {SDLK_F8, 119},
    {SDLK_F9, 120},
    {SDLK_F10, 121},
    {SDLK_F11, 122},
    {SDLK_F12, 123},
    // The punctuation keys of a US layout, by the character they type without Shift.
    {SDLK_SEMICOLON, keys::kSemicolon},
    {SDLK_EQUALS, keys::kEquals},
    {SDLK_COMMA, keys::kComma},
    {SDLK_MINUS, keys::kMinus},
    {SDLK_PERIOD, keys::kPeriod},
    {SDLK_SLASH, keys::kSlash},
    {SDLK_BACKQUOTE, keys::kGrave},
    {SDLK_LEFTBRACKET, keys::kLeftBracket},
    {SDLK_BACKSLASH, keys::kBackslash},
    {SDLK_RIGHTBRACKET, keys::kRightBracket},
};

// The same punctuation keys by their place on the keyboard, for layouts that type something else
// there (an umlaut, say): the game still gets the code a US keyboard would give.
constexpr std::pair<SDL_Scancode, int16_t> kPunctuationPlaces[] = {
    {SDL_SCANCODE_SEMICOLON, keys::kSemicolon}, {SDL_SCANCODE_EQUALS, keys::kEquals},
    {SDL_SCANCODE_COMMA, keys::kComma},         {SDL_SCANCODE_MINUS, keys::kMinus},
    {SDL_SCANCODE_PERIOD, keys::kPeriod},       {SDL_SCANCODE_SLASH, keys::kSlash},
    {SDL_SCANCODE_GRAVE, keys::kGrave},         {SDL_SCANCODE_LEFTBRACKET, keys::kLeftBracket},
    {SDL_SCANCODE_BACKSLASH, keys::kBackslash}, {SDL_SCANCODE_RIGHTBRACKET, keys::kRightBracket},
    {SDL_SCANCODE_APOSTROPHE, keys::kQuote},
};

}  // namespace

int16_t VirtualKeyCode(SDL_Keycode sym, SDL_Scancode scancode, bool latin_layout) {
  if (sym >= SDLK_a && sym <= SDLK_z) return keys::Letter(static_cast<char>(sym));
  if (sym >= SDLK_0 && sym <= SDLK_9) return keys::Digit(sym - SDLK_0);
  // The digit row means its digits whatever it types (AZERTY types "&" and "\"" there). A letter
  // key that types no Latin letter means the US letter in its place: every layout reaches A, V,
  // F, Q, N and Control-1/3. Only a Latin layout's punctuation on a letter key (Dvorak's
  // apostrophe on the US Q) keeps its own meaning; a Greek keyboard's Q, typing ";", is Q.
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_0) {
    return keys::Digit((scancode - SDL_SCANCODE_1 + 1) % 10);
  }
  const bool typed_character = (sym & SDLK_SCANCODE_MASK) == 0;
  if (typed_character && (sym >= 0x80 || !latin_layout) && scancode >= SDL_SCANCODE_A &&
      scancode <= SDL_SCANCODE_Z) {
    return keys::Letter(static_cast<char>('A' + (scancode - SDL_SCANCODE_A)));
  }
  if (sym == SDLK_QUOTE) return keys::kQuote;
  for (const auto& [key, code] : kNamedKeys) {
    if (key == sym) return code;
  }
  for (const auto& [place, code] : kPunctuationPlaces) {
    if (place == scancode) return code;
  }
  return 0;
}

bool LatinLayout() {
  const SDL_Keycode at_a = SDL_GetKeyFromScancode(SDL_SCANCODE_A);
  return at_a >= SDLK_a && at_a <= SDLK_z;
}

int16_t ModifierMask(Uint16 mod) {
  int16_t mask = 0;
  if (mod & KMOD_SHIFT) mask |= keys::kShiftMask;
  if (mod & KMOD_CTRL) mask |= keys::kControlMask;
  if (mod & KMOD_ALT) mask |= keys::kAltMask;
  return mask;
}

SDL_Keycode SdlKeyFor(int16_t virtual_key) {
  if (virtual_key >= 'A' && virtual_key <= 'Z') return SDLK_a + (virtual_key - 'A');
  if (virtual_key >= '0' && virtual_key <= '9') return SDLK_0 + (virtual_key - '0');
  if (virtual_key == keys::kQuote) return SDLK_QUOTE;
  for (const auto& [key, code] : kNamedKeys) {
    if (code == virtual_key) return key;
  }
  return SDLK_UNKNOWN;
}

}  // namespace veltro::platform::desktop
