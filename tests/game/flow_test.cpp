#include <gtest/gtest.h>

#include <algorithm>

#include "game/game_fixture.h"

namespace veltro::game::testing {
namespace {

using platform::ProgramEnded;

TEST_F(GameTest, StartUpRunsOnceThenTheMainMenu) {
  ui.command_line = "3";
  Press(keys::kEscape);
  EXPECT_THROW(game.Form_Load(), ProgramEnded);
  EXPECT_EQ(app_path, "/opt/veltro/");
  EXPECT_EQ(ui.window_title, "Veltro Lander");
  EXPECT_EQ(ui.key_target(), &game);
  EXPECT_TRUE(game.flight().AltitudeSpoken);
  EXPECT_FALSE(game.flight().VelocitySpoken || game.flight().FuelSpoken);
  ASSERT_EQ(sound.calls.size(), 2u);
  EXPECT_EQ(sound.calls[0].op, Op::kDSInit);
  EXPECT_EQ(sound.calls[1].file, "intro.wav");
  EXPECT_GE(ui.pauses, 2);  // the introduction was awaited without serving the queue
  EXPECT_EQ(speech.log,
            (std::vector<std::string>{"<tts 3>", "Where would you like to land?", "Moon"}));

  // Back to the menu later: no second start-up.
  Press(keys::kEnd);
  Press(keys::kReturn);  // "Exit"
  EXPECT_THROW(game.Form_Load(), ProgramEnded);
  EXPECT_EQ(sound.calls.size(), 2u);
  EXPECT_EQ(speech.Last(), "Exit");

  // In the root folder no second separator; any other argument picks the screen reader.
  app_path.clear();
  ui.program_folder = "/";
  ui.command_line = "33";
  Press(keys::kEscape);
  EXPECT_THROW(game.Form_Load(), ProgramEnded);
  EXPECT_EQ(app_path, "/");
  EXPECT_EQ(speech.Count("<tts 1>"), 1);
}

TEST_F(GameTest, MenuKeysWrapJumpAndIgnoreModifiedKeys) {
  ui.SetKeyTarget(&game);
  for (int16_t code : {keys::kUp, keys::kDown, keys::kEnd, keys::kDown, keys::kHome}) Press(code);
  Press(keys::kDown, keys::kShiftMask);  // not an arrow
  Press(keys::kRight);
  Press(keys::Digit(3), keys::kControlMask);
  Press(keys::Letter('A'));  // no flight command while a menu is open
  Press(keys::kSpace);
  EXPECT_EQ(game.AskForInfo("Easy|Moderate|Difficult"), 1);
  EXPECT_EQ(speech.log, (std::vector<std::string>{"Easy", "Difficult", "Easy", "Difficult", "Easy",
                                                  "Easy", "Moderate", "<tts 3>"}));
  Press(keys::kDown);
  Press(keys::kEscape);
  EXPECT_EQ(game.AskForInfo("a||c"), -1);
  EXPECT_EQ(speech.Last(), "");  // empty entries are kept
}

TEST_F(GameTest, EscapeInTheDifficultyMenuEndsAndInTheBriefingReturnsToTheWorldMenu) {
  Press(keys::kReturn);
  Press(keys::kEscape);
  EXPECT_THROW(game.Form_Load(), ProgramEnded);

  speech.log.clear();
  Press(keys::kReturn);
  Press(keys::kReturn);
  Press(keys::kEscape);  // briefing menu
  Press(keys::kEscape);  // world menu again
  EXPECT_THROW(game.Form_Load(), ProgramEnded);
  EXPECT_EQ(speech.Count("Where would you like to land?"), 2);
  EXPECT_EQ(sound.HandleOf("alt.wav"), 0);  // no cue started
}

TEST_F(GameTest, BriefingRepeatsAndContinueStartsTheCues) {
  Press(keys::kReturn);  // Moon
  Press(keys::kReturn);  // Easy
  Press(keys::kReturn);  // Repeat
  Press(keys::kDown);
  Press(keys::kReturn);  // Continue
  game.Form_Load();
  EXPECT_EQ(speech.Count("Gravity is 5 feet per second squared."), 2);
  EXPECT_EQ(speech.Count("Repeat"), 2);
  EXPECT_EQ(speech.Last(), "Press and hold spacebar to fire thrusters");
  const auto plays = sound.Of(Op::kPlay);
  ASSERT_EQ(plays.size(), 4u);
  const std::vector<std::tuple<std::string, int, int, int, int, int>> expected = {
      {"alt.wav", -2000, -1, -3000, 0, 8},
      {"toofast.wav", -10000, -1, -800, 0, 8},
      {"fuel.wav", -1000, -1, 3000, 0, 8}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const auto& c = plays[i + 1];
    EXPECT_EQ(std::make_tuple(c.file, int{c.Volume}, int{c.Frequency}, int{c.Pan},
                              int{c.StartPosition}, int{c.DSFlags}),
              expected[i]);
  }
  EXPECT_EQ(game.flight().InitialFuel, 224);
  // The timer flies the craft every 20 ms: 10 ticks in 0.2 s.
  for (int i = 0; i < 200; ++i) ui.DoEvents();
  EXPECT_EQ(sound.Of(Op::kFrequency, sound.HandleOf("alt.wav")).size(), 10u);
}

TEST_F(GameTest, ReviewSoundsIgnoresKeysAndHelpSendsF1) {
  PressTimes(7, keys::kDown);
  Press(keys::kReturn);
  ui.on_do_events = [&] {
    if (speech.Count("Thrusters Firing") == 1 &&
        speech.Count("Where would you like to land?") == 1) {
      ui.QueueKeyDown(keys::kEscape);  // hammered during the review: discarded
    } else {
      FeedScript();
    }
  };
  PressTimes(8, keys::kDown);
  Press(keys::kReturn);  // Help
  PressAfter("Where would you like to land?", 3, keys::kEscape);
  EXPECT_THROW(game.Form_Load(), ProgramEnded);
  EXPECT_EQ(sound.PlayedFiles(),
            (std::vector<std::string>{"intro.wav", "retrojet.wav", "NoFuel.wav", "alt.wav",
                                      "click.wav", "fuel.wav", "toofast.wav"}));
  const auto alt = sound.Of(Op::kPlay)[3];
  EXPECT_EQ(std::make_tuple(int{alt.Volume}, int{alt.Frequency}, int{alt.Pan}, int{alt.DSFlags}),
            std::make_tuple(-2000, 44100, -3000, 0));
  EXPECT_EQ(speech.Count("Descending too fast"), 1);
  EXPECT_EQ(ui.sent_keys, std::vector<std::string>{"{f1}"});
  EXPECT_EQ(speech.Count("Where would you like to land?"), 3);
  EXPECT_GE(ui.now, 17.0);  // the pauses of the review and of the help were waited out
}

TEST_F(GameTest, AfterFlightChoiceKeepsTheRandomWorldOrDrawsANewOne) {
  ui.random_values = {0.5, 0.25, 0.5, 0.9, 0.9, 0.9};
  StartFlight(4, 0);  // asteroid
  const FlightState before = game.flight();
  game.KeyDown(keys::Letter('Q'), 0);
  RunUntilPrompt();
  EXPECT_EQ(speech.Count("Press and hold spacebar to fire thrusters"), 1);

  Press(keys::kDown);  // Shift alone is "any other key": the same world again
  Press(keys::kReturn);
  game.KeyDown(keys::kShift, keys::kShiftMask);
  EXPECT_EQ(speech.Count("Press and hold spacebar to fire thrusters"), 2);
  EXPECT_EQ(game.flight().Gravity, before.Gravity);
  EXPECT_EQ(game.flight().InitialAltitude, before.InitialAltitude);
  EXPECT_EQ(game.flight().Thrust, before.Thrust);
  EXPECT_EQ(ui.random_values.size(), 3u);

  game.KeyDown(keys::kEscape, 0);  // in flight: an abort, not the end of the program
  RunUntilPrompt();
  PressTimes(4, keys::kDown);
  Press(keys::kReturn);
  Press(keys::kReturn);
  Press(keys::kDown);
  Press(keys::kReturn);
  game.KeyDown(keys::Letter('N'), keys::kShiftMask);  // modifiers do not matter here
  EXPECT_EQ(sound.Of(Op::kPlay).front().file, "intro.wav");
  const auto played = sound.PlayedFiles();
  EXPECT_EQ(std::count(played.begin(), played.end(), "intro.wav"), 1);
  EXPECT_TRUE(ui.random_values.empty());
  EXPECT_FLOAT_EQ(game.flight().Gravity, 9);

  game.KeyDown(keys::Letter('Q'), 0);
  RunUntilPrompt();
  EXPECT_THROW(game.KeyDown(keys::kEscape, 0), ProgramEnded);
}

}  // namespace
}  // namespace veltro::game::testing
