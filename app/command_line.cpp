#include "command_line.h"

#include <charconv>
#include <cmath>

namespace veltro::app {
namespace {

// The longest run a script may ask for: about four months of the program's clock.
constexpr double kMaxRunSeconds = 1e7;

template <class Number>
bool ParseNumber(const std::string& text, Number& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  std::vector<std::string> game_arguments;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= arguments.size()) throw UsageError(argument + " needs a value");
      return arguments[++i];
    };
    if (argument == "--help" || argument == "-h") {
      line.help = true;
    } else if (argument == "--version") {
      line.version = true;
    } else if (argument == "--headless") {
      line.headless = true;
    } else if (argument == "--keys") {
      line.keys = value();
    } else if (argument == "--speech-log") {
      line.speech_log = value();
    } else if (argument == "--sound-log") {
      line.sound_log = value();
    } else if (argument == "--max-seconds") {
      const std::string& text = value();
      if (!ParseNumber(text, line.max_seconds) || !std::isfinite(line.max_seconds) ||
          line.max_seconds <= 0 || line.max_seconds > kMaxRunSeconds) {
        throw UsageError("--max-seconds needs a number of seconds above 0, not \"" + text + "\"");
      }
    } else if (argument == "--seed") {
      const std::string& text = value();
      if (!ParseNumber(text, line.seed)) {
        throw UsageError("--seed needs a whole number from 0 up, not \"" + text + "\"");
      }
    } else if (argument == "--fail-screen-reader") {
      line.fail_screen_reader = true;
    } else if (argument == "--fail-voice") {
      line.fail_voice = true;
    } else if (argument.size() > 1 && argument[0] == '-') {
      throw UsageError("unknown option " + argument);
    } else {
      game_arguments.push_back(argument);
    }
  }
  for (const std::string& argument : game_arguments) {
    if (!line.game_arguments.empty()) line.game_arguments += ' ';
    line.game_arguments += argument;
  }
  if (line.help || line.version) return line;
  if (line.headless && line.keys.empty()) throw UsageError("--headless needs --keys SCRIPT");
  if (!line.headless) {
    const bool headless_only = !line.keys.empty() || line.fail_screen_reader || line.fail_voice;
    if (headless_only) throw UsageError("--keys and --fail-* work only with --headless");
  }
  return line;
}

std::string UsageText() {
  return "Usage:\n"
         "  veltro-lander [3] [--speech-log FILE] [--sound-log FILE]\n"
         "  veltro-lander --headless --keys SCRIPT [--speech-log FILE] [--sound-log FILE]\n"
         "                [--max-seconds N] [--seed N] [3]\n"
         "\n"
         "Veltro Lander, an audio-only lunar lander. Pick a world and a difficulty, listen to\n"
         "the briefing and hold the space bar to fire the thrusters. Shift+F1 lists the keys.\n"
         "\n"
         "  3                  speak with the program's own voice instead of the screen reader\n"
         "  --speech-log FILE  write every text the game says, with the time, to FILE (\"-\":\n"
         "                     standard output), one line each as it is said; a text that no\n"
         "                     voice could speak is marked [not spoken]\n"
         "  --headless         run without a window or a sound card, on a virtual clock\n"
         "  --keys SCRIPT      the key presses of a headless run, one command a line:\n"
         "                     wait-say TEXT, press KEY, down KEY, up KEY, sleep SECONDS\n"
         "  --sound-log FILE   write every sound call of the game, with the time, to FILE (\"-\":\n"
         "                     standard output)\n"
         "  --max-seconds N    end a headless run after N seconds of its clock (default 3600)\n"
         "  --seed N           vary the random worlds of a headless run\n"
         "  --fail-screen-reader, --fail-voice\n"
         "                     make a headless run's speech back-end fail to start\n"
         "  --help, --version\n"
         "\n"
         "Exit status: 0 when the program was ended from its menus, 1 when it could not start,\n"
         "2 for a usage or script error, 3 when a headless run reached --max-seconds.\n";
}

}  // namespace veltro::app
