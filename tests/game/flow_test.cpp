// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "game/fuel_search.h"
#include "game/game_fixture.h"
#include "game/worlds.h"

namespace veltro::game::testing {
namespace {

using platform::ProgramEnded;

TEST_F(GameTest, MenuKeysAndEscapeInEachMenu) {
  ui.events.SetKeyTarget(&game);
  Press({keys::kUp, keys::kDown, keys::kEnd, keys::kDown, keys::kHome});
  Press({keys::kDown}, keys::kShiftMask);  // not an arrow
  Press({keys::kRight});
  Press({keys::Digit(3)}, keys::kControlMask);
  Press({keys::Letter('A'), keys::kSpace});  // no flight command while a menu is open
  EXPECT_EQ(game.AskForInfo("Easy|Moderate|Difficult"), 1);
  EXPECT_EQ(speech.log, (std::vector<std::string>{"Easy", "Difficult", "Easy", "Difficult", "Easy",
                                                  "Easy", "Moderate", "<tts 3>"}));
  Press({keys::kDown, keys::kEscape});
  EXPECT_EQ(game.AskForInfo("a||c"), -1);
  EXPECT_EQ(speech.log.back(), "");  // empty entries are kept
  speech.log.clear();
  ui.environment = platform::Environment(ui.environment.ProgramFolder(), "3");
  std::vector<int> rounds_at_poll;
  sound.on_is_playing = [&] { rounds_at_poll.push_back(ui.rounds); };
  Press({keys::kEscape});  // world menu: the end
  EXPECT_THROW(game.Form_Load(), ProgramEnded);
  sound.on_is_playing = nullptr;
  EXPECT_EQ(app_path, ui.Folder());
  // The introduction was awaited (three polls) without serving the queue in between.
  ASSERT_EQ(rounds_at_poll.size(), 3u);
  EXPECT_EQ(rounds_at_poll, std::vector<int>(3, rounds_at_poll[0]));
  EXPECT_EQ(speech.log,
            (std::vector<std::string>{"<tts 3>", "Where would you like to land?", "Moon"}));
  Press({keys::kReturn, keys::kEscape});  // difficulty menu: the end
  EXPECT_THROW(game.Form_Load(), ProgramEnded);
  Press({keys::kReturn, keys::kReturn, keys::kEscape, keys::kEscape});  // briefing: back
  EXPECT_THROW(game.Form_Load(), ProgramEnded);
  EXPECT_EQ(speech.Count("Where would you like to land?"), 4);
  EXPECT_EQ(sound.PlayedFiles(), std::vector<std::string>{"intro.wav"});  // once; no cue
}

TEST_F(GameTest, AbortAndTheKeysAfterAFlightKeepOrRedrawTheRandomWorld) {
  // The generator as the game seeds it at start-up (from the clock, still at 0): the first
  // asteroid and the one a new choice draws.
  platform::Environment draws = ui.environment;
  draws.SeedRandom(0.0f);
  FlightState first, second;
  SelectWorld(4, first, [&] { return draws.Random(); });
  SelectWorld(4, second, [&] { return draws.Random(); });
  auto world = [](const FlightState& s) {
    return std::make_tuple(s.Gravity, s.MaxLandingSpeed, s.TerminalVelocity, s.InitialAltitude,
                           s.Thrust);
  };
  ASSERT_NE(world(first), world(second));
  StartFlight(4, 0);
  const FlightState& f = game.flight();
  EXPECT_EQ(world(f), world(first));
  game.KeyDown(keys::kSpace, 0);
  game.KeyDown(keys::Letter('Q'), 0);
  RunUntilPrompt();             // no outcome and no report: the whole-program run checks those
  game.KeyUp(keys::kSpace, 0);  // the thrusters were already stopped
  EXPECT_EQ(sound.Of(Op::kStop, sound.HandleOf("retrojet.wav")).size(), 1u);
  Press({keys::kDown, keys::kReturn});
  game.KeyRepeat(keys::kSpace, 0);  // a held key's repeat is no choice (a letter is)
  EXPECT_EQ(speech.Count("Press and hold spacebar to fire thrusters"), 1);
  game.KeyDown(keys::Letter('X'), keys::kControlMask);  // with Control too: try again
  EXPECT_EQ(speech.Count("Press and hold spacebar to fire thrusters"), 2);
  EXPECT_EQ(world(f), world(first));
  EXPECT_FALSE(f.AbortRequested);
  game.KeyDown(keys::kEscape, 0);  // in flight: an abort, not the end of the program
  RunUntilPrompt();
  Press({keys::kDown}, 0, 4);
  Press({keys::kReturn, keys::kReturn, keys::kDown, keys::kReturn});
  game.KeyDown(keys::Letter('N'), keys::kShiftMask);  // modifiers do not matter here
  EXPECT_EQ(world(f), world(second));
  EXPECT_EQ(ui.environment.Random(), draws.Random());  // and nothing else was drawn
  sound.polls_while_playing = 30;  // Escape hammered all through a crash chooses nothing
  sound.on_is_playing = [this] { ui.QueueKeyDown(keys::kEscape); };
  game.flight().Altitude = 0.01f;
  game.flight().Velocity = 50;
  Tick();
  sound.on_is_playing = nullptr;
  EXPECT_EQ(speech.log.back(), kPrompt);
  for (int i = 0; i < 100; ++i) ui.events.DoEvents();
  EXPECT_THROW(game.KeyDown(keys::kEscape, 0), ProgramEnded);
}

RandomDraw Draws(std::vector<double> values) {
  return [values, next = std::size_t{0}]() mutable { return values.at(next++); };
}

TEST_F(GameTest, FixedWorldsGiveTheirBurnFuelAllowanceAndBriefing) {
  struct {
    int16_t world;
    float burn_altitude, minimum_fuel, allowance[3];
    const char* seconds[3];
  } const cases[] = {
      {0, 200, 112, {224, 168, 134.4f}, {"9", "7", "5"}},
      {1, 2510, 833, {1666, 1249.5f, 999.6f}, {"33", "25", "20"}},
      {3, 960, 476, {952, 714, 571.2f}, {"19", "14", "11"}},
      {2, 3000, 547.5f, {1095, 821.25f, 657}, {"44", "33", "26"}},
  };
  FlightState& f = game.flight();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.world);
    f.TimeStep = kTimeStep;
    SelectWorld(c.world, f, Draws({}));
    f.InitialFuel = 100000;
    const MinimumBurn burn = SearchMinimumBurn(f);
    EXPECT_EQ(std::make_pair(burn.BurnAltitude, burn.MinimumFuel),
              std::make_pair(c.burn_altitude, c.minimum_fuel));
    EXPECT_EQ(std::make_tuple(f.Altitude, f.Velocity, f.Fuel),  // the craft is reset for the flight
              std::make_tuple(f.InitialAltitude, 0.0f, 100000.0f));
    for (int16_t difficulty = 0; difficulty < 3; ++difficulty) {
      f.InitialFuel = FuelAllowance(burn.MinimumFuel, difficulty);
      EXPECT_EQ(f.InitialFuel, c.allowance[difficulty]);
      speech.log.clear();
      game.speakstats();
      EXPECT_EQ(speech.log.at(3), std::string("There is enough fuel for ") + c.seconds[difficulty] +
                                      " seconds of thrust.");
    }
  }
  // The whole briefing of the last, Mars: gravity 12.5 is spoken as 12.
  EXPECT_EQ(speech.log, (std::vector<std::string>{"Gravity is 12 feet per second squared.",
                                                  "Thrust is 25 feet per second squared",
                                                  "Terminal velocity is 700 feet per second.",
                                                  "There is enough fuel for 26 seconds of thrust.",
                                                  "Maximum landing speed 15 feet per second."}));
  // An asteroid without gravity has no thrust either: the search still ends, with no fuel.
  SelectWorld(4, f, Draws({0, 0.7, 0.2}));
  f.InitialFuel = 100000;
  float MinimumFuel = -1;
  TestVelocity(f, MinimumFuel);
  EXPECT_EQ(MinimumFuel, 0);
}

// The speed is cut down to a whole number before it is judged, and rounded when reported.
TEST(Outcome, TouchdownIsJudgedOnTheWholeSpeed) {
  const std::tuple<int, float, float, bool, const char*> cases[] = {
      {0, 5.99f, 224, true, "Final Fuel 224, Final Velocity 6.\r\n"},
      {0, 6, -0.4f, false, "Final Fuel 0, Final Velocity 6.\r\n"},
      {1, 20.9f, 1000.7f, true, "Final Fuel 1000, Final Velocity 21.\r\n"},
      {1, 21, 3, false, "Final Fuel 3, Final Velocity 21.\r\n"}};
  for (const auto& [world, velocity, fuel, lands, report] : cases) {
    SCOPED_TRACE(report);
    struct Flight : GameTest {
      void TestBody() override {}
    } t;
    t.StartFlight(world, 0);
    FlightState& f = t.game.flight();
    f.TerminalVelocity = 0;  // no gravity on the last tick: the craft lands at `velocity`
    f.Velocity = velocity;
    f.Fuel = fuel;
    f.Altitude = 0.05f;
    t.Tick();
    const auto played = t.sound.PlayedFiles();
    EXPECT_EQ(played.end()[-2] + " " + played.back(),
              lands ? "touchdown.wav landed.wav" : "housprob.wav explosion.wav");
    EXPECT_EQ(t.speech.log.end()[-2], report);
    EXPECT_EQ(t.speech.log.back(), GameTest::kPrompt);
    EXPECT_EQ(f.Fuel, std::max(fuel, 0.0f));
  }
}

}  // namespace
}  // namespace veltro::game::testing
