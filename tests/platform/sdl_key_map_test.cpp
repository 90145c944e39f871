// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/sdl_key_map.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/events/keys.h"

namespace veltro::platform::desktop {
namespace {

int16_t Code(SDL_Keycode sym) {
  return VirtualKeyCode(sym, SDL_GetScancodeFromKey(sym));
}

TEST(SdlKeyMap, KeysAndModifiersMapToTheGamesCodesWhateverTheLayout) {
  using namespace keys;
  // clang-format off
  const std::pair<SDL_Keycode, int16_t> kTable[] = {
      {SDLK_a, 'A'}, {SDLK_z, 'Z'}, {SDLK_0, '0'}, {SDLK_9, '9'}, {SDLK_SPACE, kSpace},
      {SDLK_TAB, kTab}, {SDLK_RETURN, kReturn}, {SDLK_KP_ENTER, kReturn}, {SDLK_ESCAPE, kEscape},
      {SDLK_BACKSPACE, kBack}, {SDLK_F1, kF1}, {SDLK_HOME, kHome}, {SDLK_END, kEnd},
      {SDLK_LEFT, kLeft}, {SDLK_UP, kUp}, {SDLK_RIGHT, kRight}, {SDLK_DOWN, kDown},
      // The modifier keys themselves, either side.
      {SDLK_LSHIFT, kShift}, {SDLK_RSHIFT, kShift}, {SDLK_LCTRL, kControl},
      {SDLK_RCTRL, kControl}, {SDLK_LALT, kAlt}, {SDLK_RALT, kAlt},
      // The US punctuation keys.
      {SDLK_SEMICOLON, 186}, {SDLK_EQUALS, 187}, {SDLK_COMMA, 188}, {SDLK_MINUS, 189},
      {SDLK_PERIOD, 190}, {SDLK_SLASH, 191}, {SDLK_BACKQUOTE, 192}, {SDLK_LEFTBRACKET, 219},
      {SDLK_BACKSLASH, 220}, {SDLK_RIGHTBRACKET, 221}, {SDLK_QUOTE, 222},
      // Keys without a code give zero.
      {SDLK_APPLICATION, 0}, {SDLK_VOLUMEUP, 0}, {SDLK_UNKNOWN, 0}};
  // clang-format on
  for (auto [sym, code] : kTable) {
    SCOPED_TRACE(SDL_GetKeyName(sym));
    EXPECT_EQ(Code(sym), code);
  }
  // What the program sends (SendKeys) maps back to the same code.
  for (int16_t code : {kF1, kReturn, kEscape, kTab, kSpace, kUp, kHome, Letter('q'), Digit(3)})
    EXPECT_EQ(Code(SdlKeyFor(code)), code);
  EXPECT_EQ(SdlKeyFor(0), SDLK_UNKNOWN);
  // Other layouts: a key means what it types when that is a US letter or key, else the US key in
  // its place (AZERTY's digit row, Cyrillic, Greek, whose Q types ";"); punctuation on a Latin
  // layout's letter key stays.
  // clang-format off
  const std::tuple<SDL_Keycode, SDL_Scancode, bool, int16_t> kLayouts[] = {
      {SDLK_a, SDL_SCANCODE_Q, true, 'A'}, {',', SDL_SCANCODE_M, true, kComma},  // AZERTY
      {'&', SDL_SCANCODE_1, true, '1'}, {'"', SDL_SCANCODE_3, true, '3'},
      {SDLK_z, SDL_SCANCODE_Y, true, 'Z'}, {0xF6, SDL_SCANCODE_SEMICOLON, true, kSemicolon},
      {0x444, SDL_SCANCODE_A, false, 'A'}, {0x3B1, SDL_SCANCODE_A, false, 'A'},  // QWERTZ; ф, α
      {';', SDL_SCANCODE_Q, false, 'Q'}, {'\'', SDL_SCANCODE_Q, true, kQuote}};  // Greek, Dvorak
  // clang-format on
  for (auto [sym, place, latin, code] : kLayouts)
    EXPECT_EQ(VirtualKeyCode(sym, place, latin), code) << sym << " at " << place;
  // Modifiers of either side count (left Shift and right Control reach the event loop test),
  // locks and the Windows key do not.
  EXPECT_EQ(ModifierMask(KMOD_RSHIFT | KMOD_NUM | KMOD_CAPS | KMOD_LGUI), kShiftMask);
  EXPECT_EQ(ModifierMask(KMOD_LALT), kAltMask);
  EXPECT_EQ(ModifierMask(KMOD_LCTRL | KMOD_RALT), kControlMask | kAltMask);
}

}  // namespace
}  // namespace veltro::platform::desktop
