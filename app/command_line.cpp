// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_line.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace veltro::app {
namespace {

// The longest run a script may ask for: about four months of the program's clock.
constexpr double kMaxRunSeconds = 1e7;

// What getopt_long returns for each long option; -h is the one short option.
enum OptionCode : int {
  kHelp = 256,
  kVersion,
  kHeadless,
  kKeys,
  kSpeechLog,
  kSoundLog,
  kMaxSeconds,
  kSeed,
  kFailScreenReader,
  kFailVoice,
  kAudioInfo,
};

constexpr option kOptions[] = {
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {"headless", no_argument, nullptr, kHeadless},
    {"keys", required_argument, nullptr, kKeys},
    {"speech-log", required_argument, nullptr, kSpeechLog},
    {"sound-log", required_argument, nullptr, kSoundLog},
    {"max-seconds", required_argument, nullptr, kMaxSeconds},
    {"seed", required_argument, nullptr, kSeed},
    {"fail-screen-reader", no_argument, nullptr, kFailScreenReader},
    {"fail-voice", no_argument, nullptr, kFailVoice},
    {"audio-info", no_argument, nullptr, kAudioInfo},
    {nullptr, 0, nullptr, 0},
};

// Options for the program's own tests (a speech back-end that fails to start), not for users:
// they work, but --help, the man page and README leave them out.
constexpr std::string_view kTestOnlyOptions[] = {"fail-screen-reader", "fail-voice"};

template <class Number>
bool ParseNumber(const std::string& text, Number& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

// The message for an option getopt_long refused; `text` is the argument it stopped at.
std::string Refusal(int code, const std::string& text) {
  if (code == ':') return text + " needs a value";
  if (optopt >= kHelp) return text + ": this option takes no value";
  if (optopt != 0) return std::string("unknown option -") + static_cast<char>(optopt);
  return "unknown or ambiguous option " + text;
}

void TakeOption(int code, const std::string& value, CommandLine& line) {
  switch (code) {
    case 'h':
    case kHelp:
      line.help = true;
      break;
    case kVersion:
      line.version = true;
      break;
    case kHeadless:
      line.headless = true;
      break;
    case kKeys:
      line.keys = value;
      break;
    case kSpeechLog:
      line.speech_log = value;
      break;
    case kSoundLog:
      line.sound_log = value;
      break;
    case kMaxSeconds:
      if (!ParseNumber(value, line.max_seconds) || !std::isfinite(line.max_seconds) ||
          line.max_seconds <= 0 || line.max_seconds > kMaxRunSeconds) {
        throw UsageError("--max-seconds needs a number of seconds above 0, not \"" + value + "\"");
      }
      break;
    case kSeed:
      if (!ParseNumber(value, line.seed)) {
        throw UsageError("--seed needs a whole number from 0 up, not \"" + value + "\"");
      }
      break;
    case kFailScreenReader:
      line.fail_screen_reader = true;
      break;
    case kFailVoice:
      line.fail_voice = true;
      break;
    case kAudioInfo:
      line.audio_info = true;
      break;
  }
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  // getopt_long reorders the pointers of a C argument vector (options first), never the texts.
  std::vector<std::string> texts = arguments;
  std::vector<char*> argv{const_cast<char*>("veltro-lander")};
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(argv.size()) - 1;

  CommandLine line;
  optind = 0;  // a fresh parse, forgetting any earlier one
  opterr = 0;  // the refusals are reported here, in the program's own words
  for (int code; (code = getopt_long(argc, argv.data(), ":h", kOptions, nullptr)) != -1;) {
    if (code == '?' || code == ':') throw UsageError(Refusal(code, argv[optind - 1]));
    TakeOption(code, optarg != nullptr ? optarg : "", line);
  }
  // What is left are the game's own arguments ("3"), also those after "--".
  for (int i = optind; i < argc; ++i) {
    if (!line.game_arguments.empty()) line.game_arguments += ' ';
    line.game_arguments += argv[i];
  }
  if (line.help || line.version || line.audio_info) return line;
  if (line.headless && line.keys.empty()) throw UsageError("--headless needs --keys SCRIPT");
  if (!line.headless) {
    if (!line.keys.empty()) throw UsageError("--keys works only with --headless");
    if (line.fail_screen_reader || line.fail_voice)
      throw UsageError("--fail-screen-reader and --fail-voice work only with --headless");
  }
  return line;
}

std::vector<std::string> DocumentedOptions() {
  std::vector<std::string> names{"-h"};
  for (const option& entry : kOptions) {
    if (entry.name == nullptr || std::ranges::count(kTestOnlyOptions, entry.name) > 0) continue;
    names.push_back(std::string("--") + entry.name);
  }
  return names;
}

std::string UsageText() {
  return "Usage:\n"
         "  veltro-lander [3] [--speech-log=FILE] [--sound-log=FILE]\n"
         "  veltro-lander --headless --keys=SCRIPT [--speech-log=FILE] [--sound-log=FILE]\n"
         "                [--max-seconds=N] [--seed=N] [3]\n"
         "  veltro-lander --audio-info\n"
         "\n"
         "Veltro Lander, an audio-only lunar lander. Pick a world and a difficulty, listen to\n"
         "the briefing and hold the space bar to fire the thrusters.\n"
         "\n"
         "  3                  speak with the program's own voice instead of the screen reader\n"
         "  --speech-log=FILE  write every text the game says, with the time, to FILE (\"-\":\n"
         "                     standard output), one line each as it is said; a text that no\n"
         "                     voice could speak is marked [not spoken]\n"
         "  --sound-log=FILE   write every sound call of the game, with the time, to FILE\n"
         "                     (\"-\": standard output)\n"
         "  --headless         run without a window or a sound card, on a virtual clock\n"
         "  --keys=SCRIPT      the key presses of a headless run, one command a line:\n"
         "                     wait-say TEXT, press KEY, down KEY, up KEY, hold KEY SECONDS,\n"
         "                     sleep SECONDS\n"
         "  --max-seconds=N    end a headless run after N seconds of its clock (default 3600)\n"
         "  --seed=N           vary the random worlds of a headless run\n"
         "  --audio-info       show the sound output's device, rate, period and latency\n"
         "  -h, --help         show this text\n"
         "  --version          show the version, copyright and licence\n"
         "An option's value may also follow it as the next argument (--keys SCRIPT).\n"
         "\n"
         "Keys in flight:\n"
         "  Space (hold)       fire the thrusters        Tab          thrusters on and off\n"
         "  A, V, F            speak altitude, velocity, fuel\n"
         "  Control-A, -V, -F  altitude, velocity, fuel spoken at every mark, on and off\n"
         "  Shift-A, -F, -V    altitude tone, fuel tone, clicker, each on and off\n"
         "  Shift-E            silence the too-fast warning for a moment (near the ground\n"
         "                     the next tick sounds it again while you are too fast)\n"
         "  S                  the briefing again        Q or Escape  abort the landing\n"
         "  Shift-F1           the list of keys          F1           the help page\n"
         "  Control-1, Control-3  speak through the screen reader, or the built-in voice\n"
         "In menus: arrows, Home and End move, Enter or Space chooses, Escape goes back\n"
         "(in the first menu and the difficulty menu, Escape ends the game).\n"
         "Gamepad: d-pad or left stick the arrows, A Enter (in flight the space bar),\n"
         "  a trigger held the thrusters, B Escape, shoulders A and V, Y F, Back Q,\n"
         "  Start Shift-F1.\n"
         "\n"
         "Files:\n"
         "  sounds.ini         read from the current folder: settings of the sound engine\n"
         "  help.html, *.wav, openal-soft.conf\n"
         "                     the help page, the sounds and the sound output's settings,\n"
         "                     from the program's folder\n"
         "                     (../share/veltro-lander from it when installed)\n"
         "  --speech-log and --sound-log files are written; nothing else is.\n"
         "\n"
         "Environment:\n"
         "  SPEECHD_ADDRESS    the speech-dispatcher socket of the screen reader's channel\n"
         "  ALSOFT_DRIVERS     OpenAL Soft's sound back-ends in order; null: no sound card\n"
         "  ALSOFT_CONF        OpenAL Soft's settings; unset: the game's openal-soft.conf\n"
         "                     (short periods), empty: OpenAL Soft's own\n"
         "  SDL_AUDIODRIVER    SDL's sound back-end, when OpenAL Soft plays through SDL\n"
         "  DISPLAY, WAYLAND_DISPLAY  the desktop the window opens on\n"
         "\n"
         "Exit status: 0 when the program was ended from its menus, 1 when it could not start,\n"
         "2 for a usage or script error, 3 when a headless run reached --max-seconds.\n";
}

}  // namespace veltro::app
