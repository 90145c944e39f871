#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "headless_run.h"
#include "program.h"

namespace veltro::app {
namespace {

std::string Script(const std::string& name) {
  std::ifstream file(std::string(VELTRO_SOURCE_DIR) + "/tests/program/scripts/" + name);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

HeadlessOptions Options(const std::string& script, std::ostream* speech_log) {
  HeadlessOptions options;
  options.script = Script(script);
  options.speech_log = speech_log;
  options.program_folder = VELTRO_BIN_DIR;
  options.max_seconds = 600;
  return options;
}

TEST(ProgramTest, SpeechThatFailsInFlightDoesNotEndTheGame) {
  std::ostringstream log;
  HeadlessRun run(Options("moon_free_fall.keys", &log));
  auto& speech = run.speech().state();
  // The screen reader stops answering five seconds in and comes back at nine.
  bool failing = false;
  std::unique_ptr<platform::Timer> breaker = run.ui().CreateTimer([&] {
    failing = !failing;
    speech.fail_screen_reader_calls = failing;
    breaker->SetInterval(4000);
  });
  breaker->SetInterval(5000);
  breaker->SetEnabled(true);

  RunOutcome outcome = run.Run();
  EXPECT_EQ(outcome.status, 0) << outcome.message;
  EXPECT_EQ(speech.screen_readers_created, 1);
  // Nothing was spoken while the back-end failed, and the flight went on to its end.
  std::istringstream lines(log.str());
  std::string line;
  bool spoken_while_failing = false, final_report = false;
  while (std::getline(lines, line)) {
    double time = std::stod(line);
    if (time > 5.0 && time < 9.0) spoken_while_failing = true;
    if (line.find("Final Fuel 224, Final Velocity 100.") != std::string::npos) final_report = true;
  }
  EXPECT_FALSE(spoken_while_failing) << log.str();
  EXPECT_TRUE(final_report) << log.str();
}

TEST(ProgramTest, CommandLineThreeStartsTheVoiceWithoutTheScreenReader) {
  std::ostringstream log;
  HeadlessOptions options = Options("moon_free_fall.keys", &log);
  options.command_line = "3";
  HeadlessRun run(options);
  EXPECT_FALSE(run.program().Speech().Created());  // created on first use
  EXPECT_EQ(run.Run().status, 0);
  EXPECT_EQ(run.speech().state().screen_readers_created, 0);
  EXPECT_EQ(run.speech().state().voices_created, 1);
  EXPECT_TRUE(run.ui().boxes().empty());
  EXPECT_TRUE(run.program().SoundStarted());
  EXPECT_EQ(run.program().ProgramPath(), std::string(VELTRO_BIN_DIR) + "/");
  EXPECT_EQ(run.ui().window_title(), "Veltro Lander");
}

}  // namespace
}  // namespace veltro::app
