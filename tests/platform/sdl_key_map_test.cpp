#include "platform/desktop/sdl_key_map.h"

#include <gtest/gtest.h>

#include "platform/keys.h"

namespace veltro::platform::desktop {
namespace {

int16_t Code(SDL_Keycode sym) {
  return VirtualKeyCode(sym, SDL_GetScancodeFromKey(sym));
}

TEST(SdlKeyMap, LettersAndDigitsAreTheirCapitalAsciiCodes) {
  EXPECT_EQ(Code(SDLK_a), 'A');
  EXPECT_EQ(Code(SDLK_n), 'N');
  EXPECT_EQ(Code(SDLK_z), 'Z');
  EXPECT_EQ(Code(SDLK_0), '0');
  EXPECT_EQ(Code(SDLK_1), '1');
  EXPECT_EQ(Code(SDLK_9), '9');
}

TEST(SdlKeyMap, TheGamesNamedKeys) {
  EXPECT_EQ(Code(SDLK_SPACE), keys::kSpace);
  EXPECT_EQ(Code(SDLK_TAB), keys::kTab);
  EXPECT_EQ(Code(SDLK_RETURN), keys::kReturn);
  EXPECT_EQ(Code(SDLK_KP_ENTER), keys::kReturn);
  EXPECT_EQ(Code(SDLK_ESCAPE), keys::kEscape);
  EXPECT_EQ(Code(SDLK_BACKSPACE), keys::kBack);
  EXPECT_EQ(Code(SDLK_F1), keys::kF1);
  EXPECT_EQ(Code(SDLK_HOME), keys::kHome);
  EXPECT_EQ(Code(SDLK_END), keys::kEnd);
  EXPECT_EQ(Code(SDLK_LEFT), keys::kLeft);
  EXPECT_EQ(Code(SDLK_UP), keys::kUp);
  EXPECT_EQ(Code(SDLK_RIGHT), keys::kRight);
  EXPECT_EQ(Code(SDLK_DOWN), keys::kDown);
  // The modifier keys themselves, either side.
  EXPECT_EQ(Code(SDLK_LSHIFT), keys::kShift);
  EXPECT_EQ(Code(SDLK_RSHIFT), keys::kShift);
  EXPECT_EQ(Code(SDLK_LCTRL), keys::kControl);
  EXPECT_EQ(Code(SDLK_RCTRL), keys::kControl);
  EXPECT_EQ(Code(SDLK_LALT), keys::kAlt);
  EXPECT_EQ(Code(SDLK_RALT), keys::kAlt);
}

TEST(SdlKeyMap, UsPunctuationKeys) {
  EXPECT_EQ(Code(SDLK_SEMICOLON), 186);
  EXPECT_EQ(Code(SDLK_EQUALS), 187);
  EXPECT_EQ(Code(SDLK_COMMA), 188);
  EXPECT_EQ(Code(SDLK_MINUS), 189);
  EXPECT_EQ(Code(SDLK_PERIOD), 190);
  EXPECT_EQ(Code(SDLK_SLASH), 191);
  EXPECT_EQ(Code(SDLK_BACKQUOTE), 192);
  EXPECT_EQ(Code(SDLK_LEFTBRACKET), 219);
  EXPECT_EQ(Code(SDLK_BACKSLASH), 220);
  EXPECT_EQ(Code(SDLK_RIGHTBRACKET), 221);
  EXPECT_EQ(Code(SDLK_QUOTE), 222);
}

TEST(SdlKeyMap, OtherLayoutsPunctuationFallsBackToTheUsPlace) {
  // A German layout types "ö" on the US semicolon key and "ü" on the left bracket key.
  EXPECT_EQ(VirtualKeyCode(0xF6, SDL_SCANCODE_SEMICOLON), keys::kSemicolon);
  EXPECT_EQ(VirtualKeyCode(0xFC, SDL_SCANCODE_LEFTBRACKET), keys::kLeftBracket);
  // A letter the layout puts on a letter key keeps its meaning, not its place (AZERTY "a" on Q).
  EXPECT_EQ(VirtualKeyCode(SDLK_a, SDL_SCANCODE_Q), 'A');
}

TEST(SdlKeyMap, KeysWithoutACodeGiveZero) {
  EXPECT_EQ(Code(SDLK_APPLICATION), 0);
  EXPECT_EQ(Code(SDLK_VOLUMEUP), 0);
  EXPECT_EQ(VirtualKeyCode(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN), 0);
}

TEST(SdlKeyMap, ModifierMaskCombinesEitherSide) {
  EXPECT_EQ(ModifierMask(KMOD_NONE), 0);
  EXPECT_EQ(ModifierMask(KMOD_LSHIFT), keys::kShiftMask);
  EXPECT_EQ(ModifierMask(KMOD_RSHIFT), keys::kShiftMask);
  EXPECT_EQ(ModifierMask(KMOD_RCTRL), keys::kControlMask);
  EXPECT_EQ(ModifierMask(KMOD_LALT), keys::kAltMask);
  EXPECT_EQ(ModifierMask(KMOD_LSHIFT | KMOD_RCTRL | KMOD_RALT), 7);
  // Lock keys and the Windows key are no part of the mask.
  EXPECT_EQ(ModifierMask(KMOD_NUM | KMOD_CAPS | KMOD_LGUI), 0);
}

TEST(SdlKeyMap, EveryCodeTheProgramSendsMapsBackToItself) {
  for (int16_t code : {keys::kF1, keys::kReturn, keys::kEscape, keys::kTab, keys::kSpace, keys::kUp,
                       keys::kHome, keys::Letter('q'), keys::Digit(3)}) {
    SDL_Keycode sym = SdlKeyFor(code);
    ASSERT_NE(sym, SDLK_UNKNOWN) << code;
    EXPECT_EQ(Code(sym), code);
  }
  EXPECT_EQ(SdlKeyFor(0), SDLK_UNKNOWN);
}

}  // namespace
}  // namespace veltro::platform::desktop
