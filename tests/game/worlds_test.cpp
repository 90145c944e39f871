#include <gtest/gtest.h>

#include <deque>

#include "game/fuel_search.h"
#include "game/game_fixture.h"
#include "game/worlds.h"

namespace veltro::game::testing {
namespace {

RandomDraw Draws(std::deque<double> values) {
  return [values]() mutable {
    const double value = values.front();
    values.pop_front();
    return value;
  };
}

TEST_F(GameTest, FixedWorldsGiveTheirBurnFuelAllowanceAndBriefedSeconds) {
  struct {
    int16_t world;
    float burn_altitude, minimum_fuel, allowance[3];
    const char* seconds[3];
  } const cases[] = {
      {0, 200, 112, {224, 168, 134.4f}, {"9", "7", "5"}},
      {1, 2510, 833, {1666, 1249.5f, 999.6f}, {"33", "25", "20"}},
      {2, 3000, 547.5f, {1095, 821.25f, 657}, {"44", "33", "26"}},
      {3, 960, 476, {952, 714, 571.2f}, {"19", "14", "11"}},
  };
  FlightState& f = game.flight();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.world);
    f.TimeStep = kTimeStep;
    SelectWorld(c.world, f, Draws({}));
    f.InitialFuel = 100000;
    const MinimumBurn burn = SearchMinimumBurn(f);
    EXPECT_EQ(burn.BurnAltitude, c.burn_altitude);
    EXPECT_EQ(burn.MinimumFuel, c.minimum_fuel);
    // The craft is left reset for the flight.
    EXPECT_EQ(std::make_tuple(f.Altitude, f.Velocity, f.Fuel),
              std::make_tuple(f.InitialAltitude, 0.0f, 100000.0f));
    for (int16_t difficulty = 0; difficulty < 3; ++difficulty) {
      f.InitialFuel = FuelAllowance(burn.MinimumFuel, difficulty);
      EXPECT_EQ(f.InitialFuel, c.allowance[difficulty]);
      game.speakstats();
      EXPECT_EQ(speech.log.end()[-2], std::string("There is enough fuel for ") +
                                          c.seconds[difficulty] + " seconds of thrust.");
    }
  }
}

TEST(Worlds, RandomWorldsFollowTheirFormulasInDrawOrder) {
  FlightState f;
  SelectWorld(4, f, Draws({0.5, 0.25, 0.5}));  // asteroid
  EXPECT_EQ(std::make_tuple(f.Gravity, f.MaxLandingSpeed, f.TerminalVelocity, f.InitialAltitude,
                            f.Thrust),
            std::make_tuple(5.0f, 5.0f, 30000.0f, 250.0f, 13.5f));
  SelectWorld(5, f, Draws({0.5, 0.5, 0.5, 0.5}));  // rocky planet
  EXPECT_EQ(std::make_tuple(f.Gravity, f.TerminalVelocity, f.InitialAltitude, f.Thrust,
                            f.MaxLandingSpeed),
            std::make_tuple(25.0f, 100.0f, 1875.0f, 67.5f, 30.0f));
  for (double r : {0.0, 0.3, 0.999}) {
    SelectWorld(6, f, Draws({r, 0.5, r, 0.5}));  // gas giant
    EXPECT_FLOAT_EQ(f.Gravity, 150 * r + 50);
    EXPECT_GE(f.TerminalVelocity, f.Gravity);
    EXPECT_LE(f.TerminalVelocity, 3 * f.Gravity);
    EXPECT_FLOAT_EQ(f.InitialAltitude, 20 * f.TerminalVelocity);
    EXPECT_FLOAT_EQ(f.Thrust, f.Gravity * 1.45f);
    EXPECT_FLOAT_EQ(f.MaxLandingSpeed, f.Gravity / 2);
  }
}

TEST_F(GameTest, BriefingAndAWorldWhereNoBurnCanSucceed) {
  SelectWorld(2, game.flight(), Draws({}));  // Mars: gravity 12.5 is spoken as 12
  game.flight().InitialFuel = 1095;
  game.speakstats();
  EXPECT_EQ(speech.log, (std::vector<std::string>{
                            "Gravity is 12 feet per second squared.",
                            "Thrust is 25 feet per second squared",
                            "Terminal velocity is 700 feet per second.",
                            "There is enough fuel for 44 seconds of thrust.",
                            "Maximum landing speed 15 feet per second.",
                        }));
  SelectWorld(0, game.flight(), Draws({}));
  game.speakstats();
  EXPECT_EQ(speech.log.at(7), "There is no terminal velocity.");

  // An asteroid without gravity has no thrust either: the search still ends, with no fuel.
  FlightState& f = game.flight();
  SelectWorld(4, f, Draws({0, 0.7, 0.2}));
  f.TimeStep = kTimeStep;
  f.InitialFuel = 100000;
  float MinimumFuel = -1;
  TestVelocity(f, MinimumFuel);
  EXPECT_EQ(MinimumFuel, 0);
  f.InitialFuel = 0;
  game.speakstats();
  EXPECT_EQ(speech.log.at(13), "There is enough fuel for 0 seconds of thrust.");
}

}  // namespace
}  // namespace veltro::game::testing
