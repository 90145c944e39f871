#include <gtest/gtest.h>

#include "command_line.h"

namespace veltro::app {
namespace {

TEST(CommandLineTest, HeadlessOptionsAndTheGamesOwnArguments) {
  CommandLine line =
      ParseCommandLine({"--headless", "--keys", "a.keys", "--speech-log", "s.log", "3",
                        "--sound-log", "d.log", "--max-seconds", "90.5", "--seed", "42", "x"});
  EXPECT_TRUE(line.headless);
  EXPECT_EQ(line.keys, "a.keys");
  EXPECT_EQ(line.speech_log, "s.log");
  EXPECT_EQ(line.sound_log, "d.log");
  EXPECT_DOUBLE_EQ(line.max_seconds, 90.5);
  EXPECT_EQ(line.seed, 42u);
  EXPECT_EQ(line.game_arguments, "3 x");  // joined by blanks
  EXPECT_TRUE(ParseCommandLine({"--headless", "--keys", "a", "--fail-voice"}).fail_voice);
  // --help and --version need nothing else.
  EXPECT_TRUE(ParseCommandLine({"--headless", "--help"}).help);
  EXPECT_TRUE(ParseCommandLine({"--version", "--keys", "a.keys"}).version);
}

TEST(CommandLineTest, MistakesAreUsageErrors) {
  const std::vector<std::vector<std::string>> bad = {
      {"--headless"},            // no script
      {"--keys", "a.keys"},      // script without --headless
      {"--fail-voice"},          // headless only
      {"--headless", "--keys"},  // missing value
      {"--headless", "--keys", "a", "--max-seconds", "0"},
      {"--headless", "--keys", "a", "--max-seconds", "inf"},
      {"--headless", "--keys", "a", "--max-seconds", "10s"},
      {"--headless", "--keys", "a", "--seed", "-1"},
      {"--colour"},
  };
  for (const auto& arguments : bad) {
    EXPECT_THROW(ParseCommandLine(arguments), UsageError) << arguments.back();
  }
}

}  // namespace
}  // namespace veltro::app
