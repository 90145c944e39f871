// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The script of a headless run: what the player does, one command a line.
//
//   wait-say TEXT   go on once the program has spoken exactly TEXT (as the speech log writes it,
//                   carriage return and line feed as \r and \n) since the previous wait-say;
//                   blanks at the end of the line are not part of TEXT
//   press KEY       the key goes down, and up a moment later
//   down KEY        the key goes down (and stays down)
//   up KEY          the key comes up
//   hold KEY SECONDS  the key goes down, repeats as a desktop's auto-repeat does, and comes up
//                   after that many seconds (at most 60)
//   sleep SECONDS   nothing happens for that many seconds of the program's clock
//
// A line whose first non-blank character is "#" is a comment; on the other commands a "#" also
// ends the command (wait-say keeps the whole rest of its line, since spoken texts may hold "#").
// KEY: Space Return Escape Tab Up Down Left Right Home End F1, a letter A-Z or a digit 0-9,
// optionally after Shift+, Ctrl+ or Alt+ (combinable: Ctrl+Shift+A); or a modifier key alone:
// Shift, Control, Alt.
namespace veltro::platform::headless {

struct ScriptKey {
  int16_t code = 0;
  int16_t shift = 0;  // keys::kShiftMask, kControlMask, kAltMask
};

struct ScriptCommand {
  enum class Kind { kWaitSay, kPress, kDown, kUp, kHold, kSleep };
  Kind kind = Kind::kSleep;
  int line = 0;
  std::string text;      // wait-say
  ScriptKey key;         // press, down, up, hold
  double seconds = 0.0;  // sleep, hold
};

// A script that cannot be run; the message names the line.
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A key name as the script writes it, or nothing when it names no key.
std::optional<ScriptKey> ParseKey(std::string_view name);

// Reads a whole script; throws ScriptError at the first line that is not a command.
std::vector<ScriptCommand> ParseScript(std::string_view text);

}  // namespace veltro::platform::headless
