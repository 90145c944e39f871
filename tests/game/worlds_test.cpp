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

struct FixedWorldCase {
  int16_t world;
  float burn_altitude, minimum_fuel;
  float allowance[3];
  const char* seconds[3];
};

TEST(FuelSearch, FixedWorldsGiveTheirBurnFuelAllowanceAndBriefedSeconds) {
  const FixedWorldCase cases[] = {
      {0, 200, 112, {224, 168, 134.4f}, {"9", "7", "5"}},
      {1, 2510, 833, {1666, 1249.5f, 999.6f}, {"33", "25", "20"}},
      {2, 3000, 547.5f, {1095, 821.25f, 657}, {"44", "33", "26"}},
      {3, 960, 476, {952, 714, 571.2f}, {"19", "14", "11"}},
  };
  for (const FixedWorldCase& c : cases) {
    SCOPED_TRACE(c.world);
    FlightState flight;
    flight.TimeStep = kTimeStep;
    SelectWorld(c.world, flight, Draws({}));
    flight.InitialFuel = 100000;
    const MinimumBurn burn = SearchMinimumBurn(flight);
    EXPECT_EQ(burn.BurnAltitude, c.burn_altitude);
    EXPECT_EQ(burn.MinimumFuel, c.minimum_fuel);
    // The search leaves the craft reset for the flight.
    EXPECT_EQ(flight.Altitude, flight.InitialAltitude);
    EXPECT_EQ(flight.Velocity, 0);
    EXPECT_EQ(flight.Fuel, 100000);

    for (int16_t difficulty = 0; difficulty < 3; ++difficulty) {
      EXPECT_EQ(FuelAllowance(burn.MinimumFuel, difficulty), c.allowance[difficulty]);
      veltro::testing::FakeUi ui;
      RecordingSpeech speech;
      RecordingSound sound;
      std::string app_path;
      FRMMain game(ui, speech, sound, app_path);
      game.flight() = flight;
      game.flight().InitialFuel = c.allowance[difficulty];
      game.speakstats();
      EXPECT_EQ(speech.log.at(3), std::string("There is enough fuel for ") + c.seconds[difficulty] +
                                      " seconds of thrust.");
    }
  }
}

TEST(Worlds, RandomWorldsFollowTheirFormulasInDrawOrder) {
  FlightState f;
  SelectWorld(4, f, Draws({0.5, 0.25, 0.5}));  // asteroid
  EXPECT_FLOAT_EQ(f.Gravity, 5);
  EXPECT_FLOAT_EQ(f.MaxLandingSpeed, 5);
  EXPECT_FLOAT_EQ(f.TerminalVelocity, 30000);
  EXPECT_FLOAT_EQ(f.InitialAltitude, 250);
  EXPECT_FLOAT_EQ(f.Thrust, 13.5f);

  SelectWorld(5, f, Draws({0.5, 0.5, 0.5, 0.5}));  // rocky planet
  EXPECT_FLOAT_EQ(f.Gravity, 25);
  EXPECT_FLOAT_EQ(f.TerminalVelocity, 100);
  EXPECT_FLOAT_EQ(f.InitialAltitude, 1875);
  EXPECT_FLOAT_EQ(f.Thrust, 67.5f);
  EXPECT_FLOAT_EQ(f.MaxLandingSpeed, 30);

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

TEST(FuelSearch, EndsWhenNoBurnCanSucceed) {
  FlightState f;
  f.TimeStep = kTimeStep;
  SelectWorld(4, f, Draws({0, 0.7, 0.2}));  // an asteroid without gravity: no thrust either
  f.InitialFuel = 100000;
  float MinimumFuel = -1;
  TestVelocity(f, MinimumFuel);
  EXPECT_EQ(MinimumFuel, 0);
  EXPECT_EQ(f.Fuel, 100000);
}

TEST_F(GameTest, BriefingSentences) {
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
  // A world without thrust has no seconds of fuel rather than a division by zero.
  SelectWorld(4, game.flight(), Draws({0, 0.5, 0.5}));
  game.flight().InitialFuel = 0;
  game.speakstats();
  EXPECT_EQ(speech.log.at(13), "There is enough fuel for 0 seconds of thrust.");
}

}  // namespace
}  // namespace veltro::game::testing
