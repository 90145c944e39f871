// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/headless/script.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "platform/base/text.h"
#include "platform/events/keys.h"

namespace veltro::platform::headless {
namespace {

// A sleep longer than this is surely a mistake in the script.
constexpr int kMaxSleepSeconds = 24 * 3600;
// A key held longer than this is surely a mistake too (and would repeat 25 times a second).
constexpr int kMaxHoldSeconds = 60;

std::string_view Trim(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<int16_t> NamedKey(const std::string& lower) {
  static constexpr std::pair<const char*, int16_t> kNames[] = {
      {"space", keys::kSpace},     {"return", keys::kReturn}, {"escape", keys::kEscape},
      {"tab", keys::kTab},         {"up", keys::kUp},         {"down", keys::kDown},
      {"left", keys::kLeft},       {"right", keys::kRight},   {"home", keys::kHome},
      {"end", keys::kEnd},         {"f1", keys::kF1},         {"shift", keys::kShift},
      {"control", keys::kControl}, {"alt", keys::kAlt},
  };
  for (const auto& [name, code] : kNames) {
    if (lower == name) return code;
  }
  if (lower.size() == 1 && lower[0] >= 'a' && lower[0] <= 'z') return keys::Letter(lower[0]);
  if (lower.size() == 1 && lower[0] >= '0' && lower[0] <= '9') return keys::Digit(lower[0] - '0');
  return std::nullopt;
}

ScriptError ErrorAt(int line, const std::string& message) {
  return ScriptError("script line " + std::to_string(line) + ": " + message);
}

double ParseSeconds(std::string_view text, int line, const std::string& verb, int most) {
  // Plain decimal notation only; strtod reads it the same on every toolchain (the program never
  // changes the C locale), where it would also take blanks, hexadecimal and "inf".
  const std::string number(text);
  char* end = nullptr;
  const double seconds = std::strtod(number.c_str(), &end);
  if (number.empty() || number.find_first_not_of("0123456789.eE+-") != std::string::npos ||
      end != number.c_str() + number.size() || !std::isfinite(seconds) || seconds < 0.0 ||
      seconds > most) {
    throw ErrorAt(line, verb + " needs a number of seconds from 0 to " + std::to_string(most) +
                            ", not \"" + std::string(text) + "\"");
  }
  return seconds;
}

}  // namespace

std::optional<ScriptKey> ParseKey(std::string_view name) {
  ScriptKey key;
  std::string rest = LowerCase(name);
  static constexpr std::pair<const char*, int16_t> kModifiers[] = {
      {"shift+", keys::kShiftMask}, {"ctrl+", keys::kControlMask}, {"alt+", keys::kAltMask}};
  for (bool found = true; found;) {
    found = false;
    for (const auto& [prefix, mask] : kModifiers) {
      std::string_view p(prefix);
      if (rest.size() > p.size() && rest.compare(0, p.size(), p) == 0) {
        key.shift = static_cast<int16_t>(key.shift | mask);
        rest.erase(0, p.size());
        found = true;
      }
    }
  }
  std::optional<int16_t> code = NamedKey(rest);
  if (!code) return std::nullopt;
  key.code = *code;
  return key;
}

std::vector<ScriptCommand> ParseScript(std::string_view text) {
  std::vector<ScriptCommand> commands;
  int line_number = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++line_number;

    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == '#') continue;

    size_t blank = trimmed.find_first_of(" \t");
    std::string verb = LowerCase(trimmed.substr(0, blank));
    std::string_view argument =
        blank == std::string_view::npos ? std::string_view() : trimmed.substr(blank + 1);

    ScriptCommand command;
    command.line = line_number;
    if (verb == "wait-say") {
      // The text is taken as it stands, but for the one blank that separates it from the verb and
      // the blanks that editors leave at the end of a line.
      command.kind = ScriptCommand::Kind::kWaitSay;
      std::string_view raw = trimmed.substr(verb.size());
      if (!raw.empty()) raw.remove_prefix(1);
      if (Trim(raw).empty()) throw ErrorAt(line_number, "wait-say needs the text to wait for");
      while (raw.back() == ' ' || raw.back() == '\t') raw.remove_suffix(1);
      command.text = std::string(raw);
      commands.push_back(std::move(command));
      continue;
    }
    argument = Trim(argument.substr(0, argument.find('#')));
    if (verb == "sleep") {
      command.kind = ScriptCommand::Kind::kSleep;
      command.seconds = ParseSeconds(argument, line_number, verb, kMaxSleepSeconds);
    } else if (verb == "press" || verb == "down" || verb == "up" || verb == "hold") {
      command.kind = verb == "press"  ? ScriptCommand::Kind::kPress
                     : verb == "down" ? ScriptCommand::Kind::kDown
                     : verb == "up"   ? ScriptCommand::Kind::kUp
                                      : ScriptCommand::Kind::kHold;
      if (command.kind == ScriptCommand::Kind::kHold) {
        const size_t gap = argument.find_last_of(" \t");
        if (gap == std::string_view::npos)
          throw ErrorAt(line_number, "hold needs a key and seconds");
        command.seconds =
            ParseSeconds(Trim(argument.substr(gap + 1)), line_number, verb, kMaxHoldSeconds);
        argument = Trim(argument.substr(0, gap));
      }
      std::optional<ScriptKey> key = ParseKey(argument);
      if (!key) throw ErrorAt(line_number, "unknown key \"" + std::string(argument) + "\"");
      command.key = *key;
    } else {
      throw ErrorAt(line_number, "unknown command \"" + verb + "\"");
    }
    commands.push_back(std::move(command));
  }
  return commands;
}

}  // namespace veltro::platform::headless
