#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "scripted_run.h"

namespace veltro::testing {
namespace {

const std::string kClosingPrompt =
    "Press Escape to exit, N to select a new planet, or  any other key to try again.";
const std::string kMoonFinalReport = "Final Fuel 224, Final Velocity 100.\\r\\n";

TEST(ScriptedRunTest, FreeFallOnTheMoonEndsWithTheFinalReportAndEscapeLeaves) {
  ScriptedRun run = RunScript("moon_free_fall.keys");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_TRUE(run.SaysInOrder({
      "Where would you like to land?",
      "Moon",
      "Difficulty Level?",
      "Easy",
      "Gravity is 5 feet per second squared.",
      "Thrust is 25 feet per second squared",
      "There is no terminal velocity.",
      "There is enough fuel for 9 seconds of thrust.",
      "Maximum landing speed 5 feet per second.",
      "Repeat",
      "Continue",
      "Press and hold spacebar to fire thrusters",
      "900",
      "500",
      "100",
      kMoonFinalReport,
      kClosingPrompt,
  }));
  // The last thing said is the closing prompt: Escape ended the program at once.
  ASSERT_FALSE(run.speech.empty());
  EXPECT_EQ(run.speech.back().text, kClosingPrompt);
  EXPECT_NE(run.sound_log.find("PlaySound(\"alt.wav\""), std::string::npos);
}

TEST(ScriptedRunTest, AbortWithQThenNReturnsToTheWorldMenuAndExitLeaves) {
  ScriptedRun run = RunScript("abort_new_planet.keys");
  EXPECT_EQ(run.status, 0) << run.errors;
  double prompt = run.TimeOf(kClosingPrompt);
  ASSERT_GE(prompt, 0.0);
  // An aborted flight has no final report and no outcome sounds.
  for (const LoggedSpeech& line : run.speech) {
    EXPECT_EQ(line.text.find("Final Fuel"), std::string::npos);
  }
  EXPECT_EQ(run.sound_log.find("landed.wav"), std::string::npos);
  EXPECT_EQ(run.sound_log.find("explosion.wav"), std::string::npos);
  EXPECT_GE(run.TimeOf("Where would you like to land?", prompt), prompt);
  EXPECT_GE(run.TimeOf("Exit", prompt), prompt);
  // The introduction is played once only, at the start.
  size_t intro = run.sound_log.find("intro.wav");
  EXPECT_NE(intro, std::string::npos);
  EXPECT_EQ(run.sound_log.find("intro.wav", intro + 1), std::string::npos);
}

TEST(ScriptedRunTest, KeyHelpFreezesTheFlightAndEscapeClosesItWithoutAborting) {
  ScriptedRun plain = RunScript("moon_free_fall.keys");
  ScriptedRun run = RunScript("key_help.keys");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_TRUE(run.SaysInOrder({"900", "spacebar Hold down to use thrusters",
                               "Tab Toggle thrusters on and off", "800", kMoonFinalReport,
                               kClosingPrompt}));
  // Nothing of the flight happened while the help was open: the ground came five seconds later
  // than in the same flight without it, with the same final report.
  double landed_plain = plain.TimeOf(kMoonFinalReport);
  double landed = run.TimeOf(kMoonFinalReport);
  ASSERT_GE(landed_plain, 0.0);
  EXPECT_GE(landed - landed_plain, 5.0);
  EXPECT_LT(landed - landed_plain, 6.0);
  // F1 in flight opened the help page.
  EXPECT_GE(run.TimeOf("[help opened]"), 0.0);
}

TEST(ScriptedRunTest, ScriptErrorIsStatusTwoWithTheLine) {
  ScriptedRun run = RunScript("bad_key.keys");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.errors.find("script line 3: unknown key \"Spacebar\""), std::string::npos)
      << run.errors;
  EXPECT_TRUE(run.speech.empty());  // nothing ran

  ScriptedRun usage = RunScript("moon_free_fall.keys", "--max-seconds soon");
  EXPECT_EQ(usage.status, 2);
  EXPECT_NE(usage.errors.find("--max-seconds"), std::string::npos) << usage.errors;
}

TEST(ScriptedRunTest, MaxSecondsEndsARunThatWaitsOrStillRunsWithStatusThree) {
  ScriptedRun waiting = RunScript("never_said.keys", "--max-seconds 120");
  EXPECT_EQ(waiting.status, 3);
  EXPECT_NE(waiting.errors.find("wait-say \"This is never said\" (script line 3)"),
            std::string::npos)
      << waiting.errors;

  ScriptedRun running = RunScript("stay_in_menu.keys", "--max-seconds 60");
  EXPECT_EQ(running.status, 3);
  EXPECT_NE(running.errors.find("the program still runs"), std::string::npos) << running.errors;
  EXPECT_TRUE(running.Says("Moon"));
}

TEST(ScriptedRunTest, ScreenReaderMissingAtStartShowsOneMessageThenTheVoiceSpeaks) {
  ScriptedRun run = RunScript("moon_free_fall.keys", "--fail-screen-reader");
  EXPECT_EQ(run.status, 0) << run.errors;
  ASSERT_GE(run.speech.size(), 2u);
  EXPECT_EQ(run.speech[0].text,
            "[message box \"Error! \": Error initializing screen reader or MS SAPI.]");
  EXPECT_EQ(run.speech[1].text, "Where would you like to land?");
  int boxes = 0;
  for (const LoggedSpeech& line : run.speech) boxes += line.text.rfind("[message box", 0) == 0;
  EXPECT_EQ(boxes, 1);
  EXPECT_TRUE(run.Says(kMoonFinalReport));
}

TEST(ScriptedRunTest, WithoutAnySpeechTheGameStillRunsAndEscapeLeaves) {
  ScriptedRun run = RunScript("escape_from_menu.keys", "--fail-screen-reader --fail-voice");
  EXPECT_EQ(run.status, 0) << run.errors;
  ASSERT_EQ(run.speech.size(), 2u);  // the two messages, and nothing spoken
  EXPECT_EQ(run.speech[0].text.rfind("[message box", 0), 0u);
  EXPECT_EQ(run.speech[1].text.rfind("[message box", 0), 0u);
}

TEST(ScriptedRunTest, DesktopWithoutADisplaySuggestsHeadless) {
  std::string command = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER '") +
                        VELTRO_BIN_DIR + "/veltro-lander' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  int raw = pclose(pipe);
  EXPECT_EQ(WEXITSTATUS(raw), 1);
  EXPECT_NE(output.find("--headless"), std::string::npos) << output;
}

}  // namespace
}  // namespace veltro::testing
