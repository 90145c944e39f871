#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "headless_run.h"
#include "program.h"

namespace veltro::app {
namespace {

const std::string kClosingPrompt =
    "Press Escape to exit, N to select a new planet, or  any other key to try again.";
const std::string kMoonFinalReport = "Final Fuel 224, Final Velocity 100.\\r\\n";

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

// One line of a speech log: the program's clock and the text (line endings as \r and \n).
struct Said {
  double time;
  std::string text;
};

std::vector<Said> ParseSpeechLog(const std::string& log) {
  std::vector<Said> lines;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    size_t blank = line.find(' ');
    if (blank != std::string::npos) lines.push_back({std::stod(line), line.substr(blank + 1)});
  }
  return lines;
}

// What a run of the built veltro-lander binary left behind.
struct ProgramRun {
  int status;
  std::string errors, sound_log;  // errors: its stderr
  std::vector<Said> speech;

  // The time of the first line saying exactly `text` at or after `from`; -1 if none.
  double TimeOf(const std::string& text, double from = 0.0) const {
    for (const Said& line : speech) {
      if (line.time >= from && line.text == text) return line.time;
    }
    return -1.0;
  }
  // Whether the texts are said in this order (other lines may lie between them).
  bool SaysInOrder(const std::vector<std::string>& texts) const {
    size_t next = 0;
    for (const Said& line : speech) next += next < texts.size() && line.text == texts[next];
    return next == texts.size();
  }
  int Count(const std::string& prefix) const {
    int count = 0;
    for (const Said& line : speech) count += line.text.rfind(prefix, 0) == 0;
    return count;
  }
};

ProgramRun RunProgram(const std::string& arguments, const std::string& environment = "") {
  static int runs = 0;
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("veltro_program_test_" + std::to_string(getpid()) + "_" + std::to_string(++runs));
  std::filesystem::create_directories(folder);
  std::string command = environment + " '" VELTRO_BIN_DIR "/veltro-lander' --speech-log '" +
                        (folder / "speech.log").string() + "' --sound-log '" +
                        (folder / "sound.log").string() + "' " + arguments + " 2> '" +
                        (folder / "stderr.txt").string() + "'";
  int raw = std::system(command.c_str());
  ProgramRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(folder / "stderr.txt"),
                 ReadFile(folder / "sound.log"), ParseSpeechLog(ReadFile(folder / "speech.log"))};
  std::filesystem::remove_all(folder);
  return run;
}

// Plays one of the scripts in tests/program/scripts headless.
ProgramRun RunScript(const std::string& script, const std::string& extra_arguments = "") {
  return RunProgram("--headless --keys '" VELTRO_SOURCE_DIR "/tests/program/scripts/" + script +
                    "' " + extra_arguments);
}

TEST(ProgramTest, FreeFallOnTheMoonEndsWithTheFinalReportAndEscapeLeaves) {
  ProgramRun run = RunScript("moon_free_fall.keys");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_TRUE(run.SaysInOrder(
      {"Where would you like to land?", "Moon", "Difficulty Level?", "Easy",
       "Gravity is 5 feet per second squared.", "Thrust is 25 feet per second squared",
       "There is no terminal velocity.", "There is enough fuel for 9 seconds of thrust.",
       "Maximum landing speed 5 feet per second.", "Repeat", "Continue",
       "Press and hold spacebar to fire thrusters", "900", "500", "100", kMoonFinalReport,
       kClosingPrompt}));
  // The last thing said is the closing prompt: Escape ended the program at once.
  ASSERT_FALSE(run.speech.empty());
  EXPECT_EQ(run.speech.back().text, kClosingPrompt);
  EXPECT_NE(run.sound_log.find("PlaySound(\"alt.wav\""), std::string::npos);
}

TEST(ProgramTest, AbortWithQThenNReturnsToTheWorldMenuAndExitLeaves) {
  ProgramRun run = RunScript("abort_new_planet.keys");
  EXPECT_EQ(run.status, 0) << run.errors;
  double prompt = run.TimeOf(kClosingPrompt);
  ASSERT_GE(prompt, 0.0);
  // An aborted flight has no final report and no outcome sounds.
  EXPECT_EQ(run.Count("Final Fuel"), 0);
  EXPECT_EQ(run.sound_log.find("landed.wav"), std::string::npos);
  EXPECT_EQ(run.sound_log.find("explosion.wav"), std::string::npos);
  EXPECT_GE(run.TimeOf("Where would you like to land?", prompt), prompt);
  EXPECT_GE(run.TimeOf("Exit", prompt), prompt);
  // The introduction is played once only, at the start.
  size_t intro = run.sound_log.find("intro.wav");
  EXPECT_NE(intro, std::string::npos);
  EXPECT_EQ(run.sound_log.find("intro.wav", intro + 1), std::string::npos);
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
  double landed_plain = plain.TimeOf(kMoonFinalReport);
  ASSERT_GE(landed_plain, 0.0);
  EXPECT_GE(run.TimeOf(kMoonFinalReport) - landed_plain, 5.0);
  EXPECT_LT(run.TimeOf(kMoonFinalReport) - landed_plain, 6.0);
  // F1 in flight opened the help page; Shift+F1 did not.
  EXPECT_EQ(run.Count("[help opened]"), 1);
}

TEST(ProgramTest, MistakesEndWithAMessageAndTheirOwnStatus) {
  ProgramRun script = RunScript("bad_key.keys");
  EXPECT_EQ(script.status, 2);
  EXPECT_NE(script.errors.find("script line 3: unknown key \"Spacebar\""), std::string::npos)
      << script.errors;
  EXPECT_TRUE(script.speech.empty());  // nothing ran

  ProgramRun usage = RunScript("moon_free_fall.keys", "--max-seconds soon");
  EXPECT_EQ(usage.status, 2);
  EXPECT_NE(usage.errors.find("--max-seconds"), std::string::npos) << usage.errors;

  ProgramRun desktop = RunProgram("", "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER");
  EXPECT_EQ(desktop.status, 1);
  EXPECT_NE(desktop.errors.find("--headless"), std::string::npos) << desktop.errors;
}

TEST(ProgramTest, MaxSecondsEndsARunThatWaitsOrStillRunsWithStatusThree) {
  ProgramRun waiting = RunScript("never_said.keys", "--max-seconds 120");
  EXPECT_EQ(waiting.status, 3);
  EXPECT_NE(waiting.errors.find("wait-say \"This is never said\" (script line 3)"),
            std::string::npos)
      << waiting.errors;

  ProgramRun running = RunScript("stay_in_menu.keys", "--max-seconds 60");
  EXPECT_EQ(running.status, 3);
  EXPECT_NE(running.errors.find("the program still runs"), std::string::npos) << running.errors;
  EXPECT_GE(running.TimeOf("Moon"), 0.0);
}

TEST(ProgramTest, ScreenReaderMissingAtStartShowsOneMessageThenTheVoiceSpeaks) {
  ProgramRun run = RunScript("moon_free_fall.keys", "--fail-screen-reader");
  EXPECT_EQ(run.status, 0) << run.errors;
  ASSERT_GE(run.speech.size(), 2u);
  EXPECT_EQ(run.speech[0].text,
            "[message box \"Error! \": Error initializing screen reader or MS SAPI.]");
  EXPECT_EQ(run.speech[1].text, "Where would you like to land?");
  EXPECT_EQ(run.Count("[message box"), 1);
  EXPECT_GE(run.TimeOf(kMoonFinalReport), 0.0);

  // Without any speech at all: two messages, nothing spoken, and Escape still leaves.
  ProgramRun mute = RunScript("escape_from_menu.keys", "--fail-screen-reader --fail-voice");
  EXPECT_EQ(mute.status, 0) << mute.errors;
  EXPECT_EQ(mute.speech.size(), 2u);
  EXPECT_EQ(mute.Count("[message box"), 2);
}

HeadlessOptions InProcess(std::ostream* speech_log) {
  HeadlessOptions options;
  options.script = ReadFile(VELTRO_SOURCE_DIR "/tests/program/scripts/moon_free_fall.keys");
  options.speech_log = speech_log;
  options.program_folder = VELTRO_BIN_DIR;
  options.max_seconds = 600;
  return options;
}

TEST(ProgramTest, SpeechThatFailsInFlightDoesNotEndTheGame) {
  std::ostringstream log;
  HeadlessRun run(InProcess(&log));
  auto& speech = run.speech().state();
  // The screen reader stops answering five seconds in and comes back at nine.
  std::unique_ptr<platform::Timer> breaker = run.ui().CreateTimer([&] {
    speech.fail_screen_reader_calls = !speech.fail_screen_reader_calls;
    breaker->SetInterval(4000);
  });
  breaker->SetInterval(5000);
  breaker->SetEnabled(true);

  RunOutcome outcome = run.Run();
  EXPECT_EQ(outcome.status, 0) << outcome.message;
  EXPECT_EQ(speech.screen_readers_created, 1);
  // Nothing was spoken while the back-end failed, and the flight went on to its end.
  for (const Said& line : ParseSpeechLog(log.str())) {
    EXPECT_FALSE(line.time > 5.0 && line.time < 9.0) << line.text;
  }
  EXPECT_NE(log.str().find(kMoonFinalReport), std::string::npos) << log.str();
}

TEST(ProgramTest, CommandLineThreeStartsTheVoiceWithoutTheScreenReader) {
  std::ostringstream log;
  HeadlessOptions options = InProcess(&log);
  options.command_line = "3";
  HeadlessRun run(options);
  EXPECT_FALSE(run.program().Speech().Created());  // created on first use
  EXPECT_EQ(run.Run().status, 0);
  EXPECT_EQ(run.speech().state().screen_readers_created, 0);
  EXPECT_EQ(run.speech().state().voices_created, 1);
  EXPECT_TRUE(run.ui().boxes().empty());
  EXPECT_NE(log.str().find(kMoonFinalReport), std::string::npos);
  EXPECT_EQ(run.program().ProgramPath(), std::string(VELTRO_BIN_DIR) + "/");
  EXPECT_EQ(run.ui().window_title(), "Veltro Lander");
}

}  // namespace
}  // namespace veltro::app
