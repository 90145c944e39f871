#include <gtest/gtest.h>

#include "game/game_fixture.h"

namespace veltro::game::testing {
namespace {

TEST_F(GameTest, FlightCommandsSpeakAndToggle) {
  StartFlight(0, 0);
  speech.log.clear();
  const std::pair<int16_t, int16_t> keys_pressed[] = {
      {keys::Letter('V'), keys::kControlMask},
      {keys::Letter('V'), keys::kControlMask},
      {keys::Letter('A'), keys::kControlMask},
      {keys::Letter('F'), keys::kControlMask},
      {keys::Letter('A'), 0},
      {keys::Letter('V'), 0},
      {keys::Letter('F'), 0},
      {keys::Letter('S'), keys::kShiftMask},
      {keys::Letter('S'), keys::kControlMask},
      {keys::Digit(1), keys::kControlMask},
      {keys::kF1, 0},
      {keys::Letter('V'), keys::kAltMask},
  };
  for (const auto& [code, shift] : keys_pressed) game.KeyDown(code, shift);
  EXPECT_EQ(speech.log,
            (std::vector<std::string>{"Velocity spoken", "Velocity not spoken",
                                      "altitude not spoken", "Fuel spoken", "1000", "<stop>", "v0",
                                      "<stop>", "Fuel: 224", "<tts 1>"}));
  game.KeyDown(keys::Letter('S'), 0);
  EXPECT_EQ(speech.Last(), "Maximum landing speed 5 feet per second.");

  const int16_t alt = sound.HandleOf("alt.wav");
  const int16_t too_fast = sound.HandleOf("toofast.wav");
  for (int i = 0; i < 2; ++i) {
    game.KeyDown(keys::Letter('A'), keys::kShiftMask);
    game.KeyDown(keys::Letter('E'), keys::kShiftMask);
  }
  const auto alt_volumes = sound.Of(Op::kVolume, alt);
  const auto warning_volumes = sound.Of(Op::kVolume, too_fast);
  ASSERT_EQ(alt_volumes.size(), 2u);
  ASSERT_EQ(warning_volumes.size(), 2u);
  EXPECT_EQ(alt_volumes[0].Volume, -10000);
  EXPECT_EQ(alt_volumes[1].Volume, -2000);
  EXPECT_EQ(warning_volumes[0].Volume, -10000);
  EXPECT_EQ(warning_volumes[1].Volume, -1000);
}

TEST_F(GameTest, MutedTonesStaySilentInTheNextFlight) {
  StartFlight(0, 0);
  game.KeyDown(keys::Letter('A'), keys::kShiftMask);
  game.KeyDown(keys::Letter('F'), keys::kShiftMask);
  game.KeyDown(keys::Letter('Q'), 0);
  Tick();
  Press(keys::kDown);
  Press(keys::kReturn);
  game.KeyDown(keys::Letter('X'), 0);  // fly again
  for (const char* tone : {"alt.wav", "fuel.wav"}) {
    const auto volumes = sound.Of(Op::kVolume, sound.HandleOf(tone));
    ASSERT_EQ(volumes.size(), 1u) << tone;
    EXPECT_EQ(volumes[0].Volume, -10000) << tone;
  }
}

TEST_F(GameTest, KeyHelpFreezesTheFlightAndEscapeOnlyClosesIt) {
  StartFlight(0, 0);
  const int16_t alt = sound.HandleOf("alt.wav");
  ui.step = 0.1;  // each served queue lets the 20 ms timer come due
  PressTimes(2, keys::kUp);
  Press(keys::kEscape);
  game.KeyDown(keys::kF1, keys::kShiftMask);
  EXPECT_EQ(speech.log.end()[-3], "spacebar Hold down to use thrusters");
  EXPECT_EQ(speech.log.end()[-2], "Shift-F1 This help");
  EXPECT_EQ(speech.Last(), "F1 Help");
  // Three served queues, but only the tick after Escape (in the same round) moved the craft.
  EXPECT_EQ(sound.Of(Op::kFrequency, alt).size(), 1u);
  EXPECT_FALSE(game.flight().AbortRequested);
}

TEST_F(GameTest, FlushingDiscardsEveryKeyAndEndsWhenKeysKeepComing) {
  StartFlight(0, 0);
  ui.on_do_events = [this] { ui.QueueKeyDown(keys::Letter('Q')); };
  game.FlushKeyboard();
  EXPECT_FALSE(game.flight().AbortRequested);
  game.WaitSeconds(2.5f);
  EXPECT_GE(ui.now, 2.5);
  EXPECT_FALSE(game.flight().AbortRequested);
  ui.on_do_events = nullptr;
  game.KeyDown(keys::Letter('Q'), 0);  // keys work again afterwards
  EXPECT_TRUE(game.flight().AbortRequested);
}

}  // namespace
}  // namespace veltro::game::testing
