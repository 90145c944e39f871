// SPDX-License-Identifier: GPL-3.0-or-later
#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <atomic>
#include <cstdio>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "command_line.h"
#include "desktop_run.h"
#include "platform/sdl_test_display.h"
#include "program.h"
#include "program/program_fixture.h"
#include "sound_log.h"
#include "speech_log.h"

// libspeechd keeps a few bytes (allocated through GLib) of each connection it opens; that is the
// library's, not ours, and must not fail the leak check.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libglib-2.0.so\n";
}

namespace veltro::app {
namespace {

using namespace std::chrono_literals;

// Whole flights, word for word and call for call as their golden logs hold them, each compared
// line by line up to its first difference: a free fall that crashes, the landing help.html walks
// through (two burns, then a tap a second), an abort with Q then N back to the world menu and Exit,
// and a burn to the last drop ("Out of Fuel" on the very tick the tank reaches 0). After a change
// meant to alter them: VELTRO_UPDATE_GOLDEN=1 build/tests/program_tests --gtest_filter='*Golden*',
// then read `git diff tests/program/golden` line by line before committing it.
TEST(ProgramTest, FlightsMatchTheirGoldenLogs) {
  for (const std::string flight :
       {"moon_free_fall", "moon_landing", "abort_new_planet", "moon_out_of_fuel"}) {
    const ProgramRun run = RunScript(flight + ".keys");
    EXPECT_EQ(run.status, 0) << flight << run.errors;
    for (const auto& [kind, log] :
         {std::pair{".speech", run.speech_log}, {".sound", run.sound_log}}) {
      const std::string file = VELTRO_SOURCE_DIR "/tests/program/golden/" + flight + kind + ".log";
      if (std::getenv("VELTRO_UPDATE_GOLDEN")) std::ofstream(file, std::ios::binary) << log;
      std::istringstream golden_log(ReadFile(file)), run_log(log);
      // Past its end a log reads "(the end)\n", which no line can be: every byte is compared.
      for (int line = 1; golden_log || run_log; ++line) {
        std::string golden_line = "(the end)\n", run_line = golden_line;
        std::getline(golden_log, golden_line), std::getline(run_log, run_line);
        EXPECT_EQ(golden_line, run_line) << flight << kind << " log, line " << line;
        if (golden_line != run_line) break;
      }
    }
  }
}

TEST(ProgramTest, KeyHelpFreezesTheFlightAndEscapeClosesItWithoutAborting) {
  ProgramRun plain = RunScript("moon_free_fall.keys");
  ProgramRun run = RunScript("key_help.keys");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_TRUE(run.SaysInOrder({"900", "spacebar Hold down to use thrusters",
                               "Tab Toggle thrusters on and off", "800", kMoonFinalReport,
                               kClosingPrompt}));
  // Nothing of the flight happened while the help was open: the ground came five seconds later
  // than in the same flight without it, with the same final report.
  ASSERT_GE(plain.TimeOf(kMoonFinalReport), 0.0);
  double delay = run.TimeOf(kMoonFinalReport) - plain.TimeOf(kMoonFinalReport);
  EXPECT_TRUE(delay >= 5.0 && delay < 6.0) << delay;
  // F1 in flight opened the help page; Shift+F1 did not.
  EXPECT_EQ(Count(run.speech_log, "[help opened]"), 1);
}

TEST(ProgramTest, HeldKeysChooseOnceAndModifierKeysAloneDoNotFlyAgain) {
  ProgramRun run = RunScript("held_keys.keys");
  EXPECT_EQ(run.status, 0) << run.errors;
  // Each key held for two seconds chose once: the world, the difficulty, the briefing once more,
  // the flight, the key help closed; Control, Shift, Alt and Alt+1 after the flight chose nothing.
  const std::pair<std::string, int> kTimesSaid[] = {
      {"Where would you like to land?", 2},         {"Difficulty Level?", 1},
      {"Gravity is 5 feet per second squared.", 2}, {"Press and hold spacebar", 1},
      {"spacebar Hold down to use thrusters", 1},   {kMoonFinalReport, 1}};
  for (const auto& [text, times] : kTimesSaid)
    EXPECT_EQ(Count(run.speech_log, text), times) << text;
}

// Runs that end with a message and a status of their own: 2 for a mistake in the script or on the
// command line, each named with its reason (nothing runs), 3 when --max-seconds ends a run that
// still waits or still runs (the game ran).
TEST(ProgramTest, MistakesAndTimeLimitsEndWithAMessageAndTheirOwnStatus) {
  struct Ending {
    const char *script, *arguments;
    int status;
    const char* message;
  };
  const Ending kEndings[] = {
      {"bad_key.keys", "", 2, "script line 3: unknown key \"Spacebar\""},
      {"moon_free_fall.keys", "--max-seconds soon", 2, "--max-seconds needs a number of seconds"},
      {"moon_free_fall.keys", "--sound-log /nonexistent/x", 2,
       "cannot write /nonexistent/x: No such file or directory"},
      {"moon_free_fall.keys", "--keys /nonexistent/x", 2,
       "cannot read the script /nonexistent/x: No such file or directory"},
      {"never_said.keys", "--max-seconds 120", 3,
       "wait-say \"This is never said\" (script line 3)"},
      {"stay_in_menu.keys", "--max-seconds 60", 3, "the program still runs"}};
  for (const Ending& ending : kEndings) {
    ProgramRun run = RunScript(ending.script, ending.arguments);
    EXPECT_EQ(run.status, ending.status) << ending.script << " " << ending.arguments;
    EXPECT_THAT(run.errors, ::testing::HasSubstr(ending.message)) << ending.arguments;
    EXPECT_EQ(run.speech_log.empty(), ending.status == 2) << ending.script << run.speech_log;
  }

  // No display: none named, one that is not there (SDL's fallback, and the driver asked for by
  // name failing itself). The message names it and SDL's reason, and points to --headless.
  const std::pair<const char*, const char*> kNoDisplay[] = {
      {"-u DISPLAY", "neither DISPLAY nor WAYLAND_DISPLAY is set"},
      {"DISPLAY=unix:/nonexistent/none", ": DISPLAY=unix:/nonexistent/none (SDL: x11"},
      {"DISPLAY=unix:/nonexistent/none SDL_VIDEODRIVER=x11",
       ": DISPLAY=unix:/nonexistent/none (SDL: x11"}};
  for (const auto& [environment, reason] : kNoDisplay) {
    ProgramRun desktop = RunProgram(
        "",
        std::string("env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ") + environment +
            " DBUS_SESSION_BUS_ADDRESS=unix:path=/none DBUS_SYSTEM_BUS_ADDRESS=unix:path=/none");
    EXPECT_EQ(desktop.status, 1) << environment;
    EXPECT_THAT(desktop.errors, ::testing::HasSubstr(reason)) << environment;
    EXPECT_THAT(desktop.errors, ::testing::HasSubstr("--headless")) << environment;
  }
}

TEST(ProgramTest, ScreenReaderMissingAtStartShowsOneMessageThenTheVoiceSpeaks) {
  ProgramRun run = RunScript("moon_free_fall.keys", "--fail-screen-reader");
  EXPECT_EQ(run.status, 0) << run.errors;
  // The box is heard (in the voice, the screen reader being the one that failed) and answered.
  EXPECT_TRUE(
      run.SaysInOrder({"[message box \"Error! \": Error initializing screen reader or MS SAPI.]",
                       "Error initializing screen reader or MS SAPI.", kBoxKeys, "[answered OK]",
                       "Where would you like to land?", kMoonFinalReport}));
  EXPECT_EQ(Count(run.speech_log, "[message box"), 1);

  // Command line 3 goes straight to the voice: the failing screen reader is never tried.
  ProgramRun voice = RunScript("moon_free_fall.keys", "--fail-screen-reader 3");
  EXPECT_EQ(voice.status, 0) << voice.errors;
  EXPECT_EQ(Count(voice.speech_log, "[message box"), 0);
  EXPECT_TRUE(voice.SaysInOrder({kMoonFinalReport}));

  // Without any speech at all: two messages, nothing heard, and Escape still leaves; the log
  // still holds what the game said, each text marked as not spoken.
  ProgramRun mute = RunScript("escape_from_menu.keys", "--fail-screen-reader --fail-voice");
  EXPECT_EQ(mute.status, 0) << mute.errors;
  EXPECT_EQ(Count(mute.speech_log, "[message box"), 2);
  EXPECT_TRUE(
      mute.SaysInOrder({"[not spoken] Where would you like to land?", "[not spoken] Moon"}));
  EXPECT_EQ(Count(mute.speech_log, "\n"), Count(mute.speech_log, " ["));
}

// A Moon flight by SDL's virtual gamepad (its buttons and axes in SDL's own order): each control
// (an axis: kAxis + its number; none: -1) is held for the milliseconds, then until the program
// says a line that is all of the words (none: at once), then let go (never, when the time is
// negative: the program ends then, and SDL with it). Its state is read, not queued: a control
// let go too soon is never seen.
constexpr int kAxis = 100;
const std::tuple<int, int, const char*> kMoonFlight[] = {
    {SDL_CONTROLLER_BUTTON_A, 0, "Easy"},
    {SDL_CONTROLLER_BUTTON_A, 0, "Repeat"},
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN, 0, "Continue"},
    {SDL_CONTROLLER_BUTTON_A, 0, "Press and hold spacebar to fire thrusters"},
    {SDL_CONTROLLER_BUTTON_Y, 0, "Fuel: 224"},
    {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 0, "v-?[0-9]+"},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 0, "[0-9]*([1-9][0-9]|[0-9][1-9])"},  // not a mark
    {SDL_CONTROLLER_BUTTON_START, 0, "spacebar Hold down to use thrusters"},
    {SDL_CONTROLLER_BUTTON_B, 400, nullptr},
    {SDL_CONTROLLER_BUTTON_A, 400, nullptr},  // in flight: the thrusters
    {kAxis + SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 1000, nullptr},
    {-1, 0, "Press Escape to exit.*"},
    {SDL_CONTROLLER_BUTTON_A, 0, "Repeat"},  // fly again
    {kAxis + SDL_CONTROLLER_AXIS_LEFTY, 0, "Continue"},
    {SDL_CONTROLLER_BUTTON_A, 0, "Press and hold spacebar to fire thrusters"},
    {SDL_CONTROLLER_BUTTON_BACK, 0, "Press Escape to exit.*"},
    {SDL_CONTROLLER_BUTTON_B, -1, nullptr}};

// Plays the flight by the speech log; without the awaited words for long, ends the program.
void PlayByPad(const std::string& log, const std::atomic<bool>& running) {
  using Clock = std::chrono::steady_clock;
  int heard = 0;
  auto hear = [&](const std::string& words) {
    const std::regex wanted("[0-9.]+ " + words);
    for (auto give_up = Clock::now() + 40s; running && Clock::now() < give_up;) {
      std::istringstream lines(ReadFile(log));
      std::string line;
      for (int n = 0; std::getline(lines, line); ++n) {
        if (n >= heard && std::regex_match(line, wanted)) return heard = n + 1;
      }
      std::this_thread::sleep_for(20ms);
    }
    if (running) raise(SIGTERM);
    ADD_FAILURE() << "never heard \"" << words << "\"";
    return 0;
  };
  if (!hear("Where would you like to land\\?") || !hear("Moon")) return;
  SDL_Joystick* pad = SDL_JoystickOpen(SDL_JoystickAttachVirtual(  // plugged in meanwhile
      SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0));
  // Sets a control; a trigger rests at the lowest value, a stick in the middle.
  auto set = [pad](int control, bool on) {
    if (control < 0) return 0;
    if (control < kAxis) return SDL_JoystickSetVirtualButton(pad, control, on);
    const int axis = control - kAxis, rest = axis >= SDL_CONTROLLER_AXIS_TRIGGERLEFT ? -32768 : 0;
    return SDL_JoystickSetVirtualAxis(pad, axis, on ? 32767 : rest);
  };
  // A control held before the program opened the pad would never be a press.
  const SDL_JoystickID id = SDL_JoystickInstanceID(pad);
  for (auto give_up = Clock::now() + 10s;
       SDL_GameControllerFromInstanceID(id) == nullptr && Clock::now() < give_up;) {
    std::this_thread::sleep_for(20ms);
  }
  set(kAxis + SDL_CONTROLLER_AXIS_TRIGGERLEFT, false);
  set(kAxis + SDL_CONTROLLER_AXIS_TRIGGERRIGHT, false);
  for (auto [control, ms, words] : kMoonFlight) {
    set(control, true);
    if (ms < 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    if (words != nullptr && !hear(words)) return;
    set(control, false);
    std::this_thread::sleep_for(150ms);
  }
}

TEST(GamepadTest, AMoonFlightIsPlayedByGamepadAlone) {
  testing::TestDisplay display;
  if (!display.ok()) GTEST_SKIP() << "Xvfb could not be started";
  setenv("ALSOFT_DRIVERS", "null", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("SPEECHD_ADDRESS", "unix_socket:/nonexistent/speechd.sock", 1);
  const std::string log = ::testing::TempDir() + "veltro_gamepad_speech.log";
  std::atomic<bool> running{true};
  std::thread player([&] { PlayByPad(log, running); });
  std::ostringstream sounds;
  std::ofstream speech(log);
  speech << std::unitbuf;  // the pad player reads each line as it comes
  const RunOutcome outcome = RunDesktopWithFiles(VELTRO_BIN_DIR, "3", &speech, &sounds);
  running = false;
  player.join();
  EXPECT_EQ(outcome.status, 0) << outcome.message;
  // One landing, the thrusters fired twice (the south button, the trigger), the key help closed
  // without aborting, the second flight aborted.
  const std::string said = ReadFile(log);
  EXPECT_EQ(Count(said, "Final Fuel"), 1) << said;
  EXPECT_EQ(Count(said, "Press Escape to exit"), 2);
  EXPECT_EQ(Count(sounds.str(), "PlaySound(\"retrojet.wav\""), 2) << sounds.str();
}

TEST(CommandLineTest, LongOptionFormsAndMistakesAsUsageErrors) {
  auto parse = [](const std::string& text) {
    std::istringstream words(text);
    return ParseCommandLine({std::istream_iterator<std::string>(words), {}});
  };
  struct Case {
    const char* arguments;
    const char* keys;
    uint64_t seed;
    const char* game_arguments;
  };
  // Options in any order, "=" or the next argument for a value, abbreviations, "--" ends them.
  const Case kForms[] = {
      {"--headless --keys a 3 --seed 42 x", "a", 42, "3 x"},
      {"--headless --keys=a --seed=42 --speech-log=s.log 3", "a", 42, "3"},
      {"--head --ke=-a --se 7 -- --seed=1 3", "-a", 7, "--seed=1 3"},
  };
  for (const Case& form : kForms) {
    CommandLine line = parse(form.arguments);
    EXPECT_EQ(line.keys, form.keys) << form.arguments;
    EXPECT_EQ(line.seed, form.seed) << form.arguments;
    EXPECT_EQ(line.game_arguments, form.game_arguments) << form.arguments;
  }
  // --help and --version need nothing else.
  EXPECT_TRUE(parse("--headless -h").help);
  EXPECT_TRUE(parse("--version --keys a.keys").version);
  // No script, script without --headless, headless only, missing or unwanted value, bad numbers,
  // unknown or ambiguous options.
  const std::pair<const char*, const char*> kMistakes[] = {
      {"--headless", "--headless needs --keys SCRIPT"},
      {"--keys a", "--keys works only with --headless"},
      {"--fail-voice", "--fail-screen-reader and --fail-voice work only with --headless"},
      {"--headless --keys", "--keys needs a value"},
      {"--headless --keys a --max-seconds 0", "--max-seconds needs a number"},
      {"--headless --keys a --max-seconds=inf", "--max-seconds needs a number"},
      {"--headless --keys a --max-seconds 10s", "--max-seconds needs a number"},
      {"--headless --keys a --seed -1", "--seed needs a whole number"},
      {"--help=yes", "--help=yes: this option takes no value"},
      {"--colour", "unknown or ambiguous option --colour"},
      {"--fail", "unknown or ambiguous option --fail"},
      {"-x", "unknown option -x"},
  };
  for (const auto& [arguments, message] : kMistakes) {
    try {
      parse(arguments);
      ADD_FAILURE() << arguments << " was taken";
    } catch (const UsageError& error) {
      EXPECT_THAT(error.what(), ::testing::StartsWith(message)) << arguments;
    }
  }
}

// The options that --help, the man page and README's command line name: "-h" and every "--name".
std::set<std::string> OptionsNamed(std::string text) {
  for (size_t dash; (dash = text.find("\\-")) != std::string::npos;) text.erase(dash, 1);
  static const std::regex kOption(R"(--[a-z]+(-[a-z]+)*|-h\b)");
  return {std::sregex_token_iterator(text.begin(), text.end(), kOption), {}};
}

TEST(CommandLineTest, HelpManPageAndReadmeNameTheOptionsUsersMayGive) {
  const std::vector<std::string> documented = DocumentedOptions();
  const std::set<std::string> expected(documented.begin(), documented.end());
  const std::string readme = ReadFile(VELTRO_SOURCE_DIR "/README.md");
  const size_t section = readme.find("\n## Command line");
  ASSERT_NE(section, std::string::npos);
  const std::pair<const char*, std::string> kDocuments[] = {
      {"--help", UsageText()},
      {"man page", ReadFile(VELTRO_SOURCE_DIR "/packaging/veltro-lander.6")},
      {"README", readme.substr(section, readme.find("\n## ", section + 1) - section)}};
  for (const auto& [document, text] : kDocuments) {
    EXPECT_EQ(OptionsNamed(text), expected) << document;
  }
}

// --audio-info on OpenAL Soft's null device: the lines it wrote, by their names.
std::map<std::string, std::string> AudioInfo(const std::string& environment) {
  const std::string command =
      "env ALSOFT_DRIVERS=null " + environment + " '" VELTRO_BIN_DIR "/veltro-lander' --audio-info";
  std::map<std::string, std::string> lines;
  FILE* out = popen(command.c_str(), "r");
  char line[256];
  while (out != nullptr && std::fgets(line, sizeof line, out) != nullptr) {
    std::string text(line);
    if (size_t colon = text.find(": "); colon != std::string::npos) {
      lines[text.substr(0, colon)] = text.substr(colon + 2, text.size() - colon - 3);
    }
  }
  if (out != nullptr) lines["status"] = std::to_string(WEXITSTATUS(pclose(out)));
  return lines;
}

// On the null device: four periods of 256 frames, as the device itself reports them, within
// 20 ms of the ear; the game's settings give short periods unless the user chose others (an empty
// ALSOFT_CONF: OpenAL Soft's own settings, with its longer periods).
TEST(AudioInfoTest, DescribesTheOutputDeviceAndItsLatencyWithTheGamesShortPeriods) {
  auto ours = AudioInfo("");
  EXPECT_EQ(ours["status"], "0");
  EXPECT_EQ(ours["device"], "No Output");
  EXPECT_EQ(ours["rate"], "48000 Hz");
  ASSERT_TRUE(ours.contains("latency"));
  EXPECT_LT(std::stod(ours["latency"]), 20.0) << ours["latency"];
  EXPECT_EQ(ours["period"], "5.3 ms (187 mixes a second)");
  EXPECT_THAT(ours["settings"], ::testing::EndsWith("/openal-soft.conf"));
  auto own = AudioInfo("ALSOFT_CONF=");
  EXPECT_EQ(own["settings"], "OpenAL Soft's own");
  EXPECT_NE(own["period"], ours["period"]);
}

// An engine that caps frequencies and plays nothing for long.
struct CappingSound : game::GameSound {
  void DSInit() override {}
  int16_t PlaySound(const std::string&, int16_t&, int32_t& Frequency, int16_t&, int32_t&,
                    int16_t&) override {
    SetFrequency(7, Frequency);
    return 7;
  }
  bool IsPlaying(int16_t) override { return --plays_left > 0; }
  void StopPlay(int16_t) override {}
  void SetVolume(int16_t, int16_t) override {}
  void SetPan(int16_t, int16_t) override {}
  void SetFrequency(int16_t, int32_t& Frequency) override {
    Frequency = std::min(Frequency, 100000);
  }
  int plays_left = 4;
};

TEST(SoundLogTest, WritesEachCallWithArgumentsResultsAndChangedArguments) {
  platform::headless::VirtualClock clock;
  platform::headless::HeadlessEventLoop events(clock);
  CappingSound engine;
  std::ostringstream out;
  {
    SoundLog log(engine, events, out);
    log.DSInit();
    int16_t volume = -600, pan = 0, flags = 8;
    int32_t frequency = 150000, start = 0, high = 120000;
    EXPECT_EQ(log.PlaySound("alt.wav", volume, frequency, pan, start, flags), 7);
    EXPECT_EQ(frequency, 100000);  // the engine's change reaches the game
    clock.Advance(0.5);
    while (log.IsPlaying(7)) clock.Advance(0.001);
    log.SetPan(7, -3000);
    log.SetFrequency(7, high);
    log.StopPlay(7);
  }
  EXPECT_EQ(out.str(),
            "0.000 DSInit()\n"
            "0.000 PlaySound(\"alt.wav\", Volume=-600, Frequency=150000=>100000, Pan=0, "
            "StartPosition=0, DSFlags=8) -> 7\n"
            "0.500 IsPlaying(7) -> true\n"
            "0.502 IsPlaying(7) -> true (2 more times)\n"
            "0.503 IsPlaying(7) -> false\n"
            "0.503 SetPan(7, -3000)\n"
            "0.503 SetFrequency(7, Frequency=120000=>100000)\n"
            "0.503 StopPlay(7)\n");
}

TEST(SpeechLogTest, WritesTimeAndEscapedTextForEachBackendAndStops) {
  platform::headless::VirtualClock clock;
  platform::headless::HeadlessEventLoop ui(clock);
  platform::headless::RecordingSpeechBackends backends;
  std::ostringstream out;
  SpeechLog log{backends, ui, out};
  auto reader = log.CreateScreenReader();
  reader->SayString("Moon\ttab \\ stay", false);
  clock.Advance(1.2344);
  reader->StopSpeech();
  auto voice = log.CreateSapiVoice();
  voice->SetRate(4);  // passes through, and is no speech
  EXPECT_EQ(voice->Rate(), 4);
  clock.Advance(10.0);
  voice->Speak("Final Fuel 224,\rFinal\nVelocity 100.\r\n", platform::SVSFlagsAsync);
  voice->Speak(std::nullopt, platform::SVSFPurgeBeforeSpeak);

  EXPECT_EQ(out.str(),
            "0.000 Moon\ttab \\ stay\n"
            "1.234 [stop]\n"
            "11.234 Final Fuel 224,\\rFinal\\nVelocity 100.\\r\\n\n"
            "11.234 [stop]\n");
  EXPECT_EQ(
      backends.Spoken(),
      (std::vector<std::string>{"Moon\ttab \\ stay", "Final Fuel 224,\rFinal\nVelocity 100.\r\n"}));
  backends.state().records_kept = 2;  // a long run keeps only the newest
  voice->Speak("last", platform::SVSFlagsAsync);
  EXPECT_EQ(backends.state().records.size(), 2u);
  EXPECT_EQ(backends.Spoken(), std::vector<std::string>{"last"});
}

}  // namespace
}  // namespace veltro::app
