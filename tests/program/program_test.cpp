#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <iterator>
#include <map>
#include <sstream>
#include <thread>

#include "command_line.h"
#include "platform/desktop/desktop_speech_backends.h"
#include "program.h"
#include "program/program_fixture.h"
#include "sound_log.h"
#include "speech/frm_tts.h"
#include "support/audio_file_fixtures.h"
#include "support/speechd_service.h"

// libspeechd keeps a few bytes (allocated through GLib) of each connection it opens; that is the
// library's, not ours, and must not fail the leak check.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libglib-2.0.so\n";
}

namespace veltro::app {
namespace {

TEST(ProgramTest, FreeFallOnTheMoonEndsWithTheFinalReportAndEscapeLeaves) {
  ProgramRun run = RunScript("moon_free_fall.keys");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_TRUE(run.SaysInOrder({"Where would you like to land?", "Moon", "Difficulty Level?", "Easy",
                               "Gravity is 5 feet per second squared.",
                               "Maximum landing speed 5 feet per second.", "Repeat", "Continue",
                               "Press and hold spacebar to fire thrusters", "900", "500", "100",
                               kMoonFinalReport, kClosingPrompt}));
  // The last thing said is the closing prompt: Escape ended the program at once.
  EXPECT_TRUE(run.speech_log.ends_with(" " + kClosingPrompt + "\n")) << run.speech_log;
  EXPECT_THAT(run.sound_log, ::testing::HasSubstr("PlaySound(\"alt.wav\""));
}

TEST(ProgramTest, AbortWithQThenNReturnsToTheWorldMenuAndExitLeaves) {
  ProgramRun run = RunScript("abort_new_planet.keys");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_TRUE(run.SaysInOrder({kClosingPrompt, "Where would you like to land?", "Exit"}));
  // An aborted flight has no final report and no outcome sounds.
  EXPECT_EQ(Count(run.speech_log, "Final Fuel"), 0);
  EXPECT_EQ(Count(run.sound_log, "landed.wav") + Count(run.sound_log, "explosion.wav"), 0);
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

TEST(ProgramTest, MistakesEndWithAMessageAndTheirOwnStatus) {
  ProgramRun script = RunScript("bad_key.keys");
  EXPECT_EQ(script.status, 2);
  EXPECT_THAT(script.errors, ::testing::HasSubstr("script line 3: unknown key \"Spacebar\""));
  EXPECT_EQ(script.speech_log, "");  // nothing ran

  ProgramRun usage = RunScript("moon_free_fall.keys", "--max-seconds soon");
  EXPECT_EQ(usage.status, 2);
  EXPECT_THAT(usage.errors, ::testing::HasSubstr("--max-seconds"));

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

TEST(ProgramTest, MaxSecondsEndsARunThatWaitsOrStillRunsWithStatusThree) {
  ProgramRun waiting = RunScript("never_said.keys", "--max-seconds 120");
  EXPECT_EQ(waiting.status, 3);
  EXPECT_THAT(waiting.errors,
              ::testing::HasSubstr("wait-say \"This is never said\" (script line 3)"));

  ProgramRun running = RunScript("stay_in_menu.keys", "--max-seconds 60");
  EXPECT_EQ(running.status, 3);
  EXPECT_THAT(running.errors, ::testing::HasSubstr("the program still runs"));
  EXPECT_TRUE(running.SaysInOrder({"Moon"}));
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

TEST(ProgramTest, ARealScreenReaderLostInFlightHealsThroughTheVoiceAndControlOneBringsItBack) {
  testing::SpeechdService service("speechd-program");
  if (!service.Start()) GTEST_SKIP() << "speech-dispatcher could not be started here";
  platform::desktop::DesktopSpeechBackends backends(
      {service.Options(),
       {platform::desktop::EspeakOptions::Output::kMemory, "",
        std::make_shared<platform::desktop::CapturedAudio>()}});
  std::ostringstream log;
  HeadlessOptions options = InProcess("screen_reader_returns.keys", log);
  options.speech_backends = &backends;
  HeadlessRun run(options);
  // The service goes away eight seconds in, during the flight, and is back once the voice has
  // taken over. The clock is virtual and the channel's thread works in real time: each round
  // gives it a moment to find the service gone while the clock stands still.
  bool stopped = false, restarted = false;
  std::unique_ptr<platform::Timer> service_timer = run.events().CreateTimer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!stopped) {
      service.Stop();
      stopped = true;
      service_timer->SetInterval(500);
    } else if (!restarted &&
               log.str().find(speech::FRMTTS::kScreenReaderLost) != std::string::npos) {
      restarted = service.Start();
      service_timer->SetEnabled(!restarted);
    }
  });
  service_timer->SetInterval(8000);
  service_timer->SetEnabled(true);

  RunOutcome outcome = run.Run();
  EXPECT_EQ(outcome.status, 0) << outcome.message;
  EXPECT_TRUE(restarted);
  // The voice said the notice (once) before the flight's report; the log lost nothing.
  const ProgramRun logged{0, "", "", log.str()};
  EXPECT_TRUE(logged.SaysInOrder(
      {"900", speech::FRMTTS::kScreenReaderLost, kMoonFinalReport, kClosingPrompt, "Earth"}));
  EXPECT_EQ(Count(logged.speech_log, speech::FRMTTS::kScreenReaderLost), 1);
  for (const char* mark : {"800\n", "700\n", "500\n", "100\n"}) {
    EXPECT_EQ(Count(logged.speech_log, std::string(" ") + mark), 1) << mark;
  }
  // The restarted service received the menu item: Control-1 brought the screen reader back.
  EXPECT_TRUE(service.Queued("Earth"));
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
      {"--keys a", "--keys and --fail-* work only with --headless"},
      {"--fail-voice", "--keys and --fail-* work only with --headless"},
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

// --audio-info on OpenAL Soft's null device: the lines it wrote, by their names.
std::map<std::string, std::string> AudioInfo(const std::string& environment) {
  const std::string command = "timeout 20 env ALSOFT_DRIVERS=null " + environment +
                              " '" VELTRO_BIN_DIR "/veltro-lander' --audio-info";
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
  // A settings file that would hold the start-up for ever (a pipe) or fill the memory (1 GB) is
  // passed over for the game's own.
  testing::TempDir dir;
  ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
  std::filesystem::resize_file(dir.Write("huge"), 1ull << 30);
  for (const char* file : {"pipe", "huge"}) {
    auto passed_over = AudioInfo("ALSOFT_CONF=" + dir.File(file));
    EXPECT_EQ(passed_over["status"], "0") << file;
    EXPECT_EQ(passed_over["settings"], ours["settings"]) << file;
  }
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

}  // namespace
}  // namespace veltro::app
