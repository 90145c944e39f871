// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Key codes as the game and the speech form see them: Windows virtual-key codes, with the
// modifier mask Shift 1, Control 2, Alt 4. Every platform maps its own key events onto these.
namespace veltro::keys {

constexpr int16_t kShiftMask = 1;
constexpr int16_t kControlMask = 2;
constexpr int16_t kAltMask = 4;

constexpr int16_t kBack = 8;
constexpr int16_t kTab = 9;
constexpr int16_t kReturn = 13;
constexpr int16_t kShift = 16;
constexpr int16_t kControl = 17;
constexpr int16_t kAlt = 18;
constexpr int16_t kEscape = 27;
constexpr int16_t kSpace = 32;
constexpr int16_t kEnd = 35;
constexpr int16_t kHome = 36;
constexpr int16_t kLeft = 37;
constexpr int16_t kUp = 38;
constexpr int16_t kRight = 39;
constexpr int16_t kDown = 40;
constexpr int16_t kF1 = 112;

// Letters are their capital ASCII code, digits their ASCII code.
constexpr int16_t Letter(char c) {
  return static_cast<int16_t>(c >= 'a' ? c - 'a' + 'A' : c);
}
constexpr int16_t Digit(int d) {
  return static_cast<int16_t>('0' + d);
}

// The punctuation keys of a US layout.
constexpr int16_t kSemicolon = 186;
constexpr int16_t kEquals = 187;
constexpr int16_t kComma = 188;
constexpr int16_t kMinus = 189;
constexpr int16_t kPeriod = 190;
constexpr int16_t kSlash = 191;
constexpr int16_t kGrave = 192;
constexpr int16_t kLeftBracket = 219;
constexpr int16_t kBackslash = 220;
constexpr int16_t kRightBracket = 221;
constexpr int16_t kQuote = 222;

}  // namespace veltro::keys
