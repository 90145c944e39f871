#include <gtest/gtest.h>

#include <ostream>

#include "game/game_fixture.h"

namespace veltro::game::testing {
namespace {

struct Touchdown {
  int world;
  float velocity, fuel;
  bool lands;
  const char* report;
};

std::ostream& operator<<(std::ostream& out, const Touchdown& t) {
  return out << "world " << t.world << " at " << t.velocity << " ft/s";
}

class OutcomeTest : public GameTest, public ::testing::WithParamInterface<Touchdown> {};

// The speed is cut down to a whole number before it is judged, and rounded when reported.
TEST_P(OutcomeTest, TouchdownIsJudgedOnTheWholeSpeed) {
  const Touchdown& t = GetParam();
  StartFlight(t.world, 0);
  FlightState& f = game.flight();
  f.TerminalVelocity = 0;  // the last tick adds no gravity: the craft lands at exactly `velocity`
  f.Velocity = t.velocity;
  f.Fuel = t.fuel;
  f.Altitude = 0.05f;
  Tick();
  const auto played = sound.PlayedFiles();
  const std::vector<std::string> outcome(played.end() - 2, played.end());
  if (t.lands) {
    EXPECT_EQ(outcome, (std::vector<std::string>{"touchdown.wav", "landed.wav"}));
  } else {
    EXPECT_EQ(outcome, (std::vector<std::string>{"housprob.wav", "explosion.wav"}));
  }
  EXPECT_EQ(game.FinalReportText(), t.report);
  EXPECT_EQ(speech.log.end()[-2], t.report);
  EXPECT_EQ(speech.Last(), kPrompt);
  EXPECT_EQ(f.Fuel, std::max(t.fuel, 0.0f));
}

INSTANTIATE_TEST_SUITE_P(
    MoonAndEarth, OutcomeTest,
    ::testing::Values(Touchdown{0, 5.99f, 224, true, "Final Fuel 224, Final Velocity 6.\r\n"},
                      Touchdown{0, 6, -0.4f, false, "Final Fuel 0, Final Velocity 6.\r\n"},
                      Touchdown{1, 20.9f, 1000.7f, true, "Final Fuel 1000, Final Velocity 21.\r\n"},
                      Touchdown{1, 21, 3, false, "Final Fuel 3, Final Velocity 21.\r\n"}));

TEST_F(GameTest, AbortEndsWithTheClosingPromptOnly) {
  StartFlight(0, 0);
  game.KeyDown(keys::kSpace, 0);
  const int16_t thruster = sound.HandleOf("retrojet.wav");
  game.KeyDown(keys::Letter('Q'), 0);
  Tick();
  EXPECT_EQ(sound.PlayedFiles().back(), "retrojet.wav");  // no outcome sound
  EXPECT_EQ(sound.Of(Op::kStop, thruster).size(), 1u);
  EXPECT_EQ(game.FinalReportText(), "");
  EXPECT_EQ(speech.Last(), kPrompt);
  EXPECT_FALSE(game.flight().AbortRequested);
  game.KeyUp(keys::kSpace, 0);  // the thrusters were already stopped
  EXPECT_EQ(sound.Of(Op::kStop, thruster).size(), 1u);
}

TEST_F(GameTest, KeysHammeredDuringTheOutcomeChooseNothing) {
  StartFlight(0, 0);
  sound.polls_while_playing = 30;
  sound.on_is_playing = [this] { ui.QueueKeyDown(keys::kEscape); };
  game.flight().Altitude = 0.01f;
  game.flight().Velocity = 50;
  Tick();  // a crash: Escape pressed all through it would end the program if not discarded
  sound.on_is_playing = nullptr;
  EXPECT_EQ(speech.Last(), kPrompt);
  for (int i = 0; i < 100; ++i) ui.DoEvents();
  EXPECT_FALSE(ui.ended);
  Press(keys::kEscape);  // the world menu that N opens
  EXPECT_THROW(game.KeyDown(keys::Letter('N'), 0), platform::ProgramEnded);
  EXPECT_EQ(speech.Count("Where would you like to land?"), 2);
}

}  // namespace
}  // namespace veltro::game::testing
