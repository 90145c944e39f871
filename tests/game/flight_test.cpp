// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "game/game_fixture.h"

namespace veltro::game::testing {
namespace {

TEST_F(GameTest, MoonFreeFallCrashesOnTheThousandthTick) {
  StartFlight(0, 0);
  RunUntilPrompt();  // a tone for every tick but the last, which ends the flight:
  EXPECT_EQ(sound.Of(Op::kFrequency, sound.HandleOf("alt.wav")).size(), 999u);
  EXPECT_EQ(sound.Of(Op::kPlay).back().Volume, -1000);  // the explosion: a crash
  // The loops stopped, and the timer is off: nothing moves any more.
  for (const char* loop : {"alt.wav", "toofast.wav", "fuel.wav"}) {
    EXPECT_EQ(sound.Of(Op::kStop, sound.HandleOf(loop)).size(), 1u) << loop;
  }
  const std::size_t calls = sound.calls.size();
  for (int i = 0; i < 200; ++i) ui.events.DoEvents();
  EXPECT_EQ(sound.calls.size(), calls);
}

TEST_F(GameTest, AltitudeToneFollowsHeightAndPansOnlyWithTheFuelToneMuted) {
  StartFlight(0, 0);
  const int16_t alt = sound.HandleOf("alt.wav");
  // Height, frequency, pan with the fuel tone muted; the upper sweep ends just above a tenth.
  const std::tuple<float, int32_t, int16_t> path[] = {
      {1000, 70025, -3000}, {550, 43025, -300}, {100.004f, 16025, 2400}, {100, 70025, -3000},
      {99, 69425, -2940},   {50, 40025, 0},     {0, 10025, 3000}};
  for (const auto& [height, frequency, muted_pan] : path) {
    const std::size_t pans = sound.Of(Op::kPan, alt).size();
    TickAt(height);
    EXPECT_EQ(sound.Of(Op::kFrequency, alt).back().Frequency, frequency) << height;
    const auto pan = sound.Of(Op::kPan, alt);  // unmuted: a fixed pan, none near the ground
    EXPECT_EQ(pan.size() - pans, height > 100 ? 1u : 0u) << height;
    EXPECT_EQ(pan.back().Pan, -3000) << height;
  }
  game.KeyDown(keys::Letter('F'), keys::kShiftMask);
  EXPECT_EQ(sound.Of(Op::kVolume, sound.HandleOf("fuel.wav")).back().Volume, -10000);
  for (const auto& [height, frequency, muted_pan] : path) {
    TickAt(height);
    EXPECT_EQ(sound.Of(Op::kPan, alt).back().Pan, muted_pan) << height;
  }
  game.flight().InitialAltitude = 1;  // far above a low start the values are held at the ends
  TickAt(1e30f);
  EXPECT_EQ(sound.Of(Op::kFrequency, alt).back().Frequency, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(sound.Of(Op::kPan, alt).back().Pan, std::numeric_limits<int16_t>::min());
  game.flight().InitialAltitude = 0;  // a world that starts on the ground: the ground pitch
  TickAt(0);
  EXPECT_EQ(sound.Of(Op::kFrequency, alt).back().Frequency, 10025);
}

TEST_F(GameTest, ClickerFollowsSpeedKeepsItsRhythmWhileMutedAndMarksAreSpokenInOrder) {
  StartFlight(0, 0);
  FlightState& f = game.flight();
  f.TerminalVelocity = 0;  // no gravity while descending: the speed stays 10, a click a second
  f.Velocity = 10;
  ui.clock.AdvanceTo(100);
  std::vector<int> clicks;
  auto run = [&](int from, int to, const char* file) {
    for (int tick = from; tick < to; ++tick) {
      const std::size_t before = sound.Of(Op::kPlay).size();
      Tick(0.25);
      if (sound.Of(Op::kPlay).size() == before) continue;
      EXPECT_EQ(sound.Of(Op::kPlay).back().file, file);
      clicks.push_back(tick);
    }
  };
  run(0, 20, "click.wav");
  game.KeyDown(keys::Letter('V'), keys::kShiftMask);
  run(20, 38, "click.wav");
  game.KeyDown(keys::Letter('V'), keys::kShiftMask);  // unmuted: no burst of missed clicks
  run(38, 46, "click.wav");
  EXPECT_EQ(clicks, (std::vector<int>{0, 5, 10, 15, 40, 45}));
  clicks.clear();
  f.Gravity = f.Velocity = 0;  // still: no clicks
  run(0, 10, "");
  f.Velocity = -5;  // climbing: every 10/5 s
  run(10, 30, "vel2.wav");
  EXPECT_EQ(clicks, (std::vector<int>{10, 19, 28}));

  // Marks are announced in order, at most every one and a quarter seconds.
  game.KeyDown(keys::Letter('V'), keys::kControlMask);
  game.KeyDown(keys::Letter('F'), keys::kControlMask);
  f.Velocity = 10;  // 0.2 ft a tick
  ui.clock.Advance(100);
  speech.log.clear();
  auto pass = [&](float from, double seconds) {
    f.Altitude = from;
    Tick(seconds);
  };
  pass(950.1f, 0.25);  // passes 950: speaks 900
  pass(850.1f, 1.0);   // too soon after: skipped
  Tick(2.0);           // ... for good
  pass(750.1f, 0.5);
  pass(95.1f, 2.0);  // near the ground speech is cut short first; passing 95 speaks 100
  EXPECT_EQ(speech.log, (std::vector<std::string>{"900", "V10", "F224", "700", "V10", "F224",
                                                  "<stop>", "100", "V10", "F224"}));
  game.KeyDown(keys::Letter('A'), keys::kControlMask);
  f.Velocity = -3.2f;  // climbing back past 95; Int(-3.1) is -4
  pass(94.99f, 2.0);
  EXPECT_EQ(speech.log.end()[-4], "altitude not spoken");
  EXPECT_EQ(speech.log.end()[-2], "V-4");
}

TEST_F(GameTest, ThrustersFollowTheKeysAndRunOutOfFuel) {
  StartFlight(0, 0);
  FlightState& f = game.flight();
  game.KeyDown(keys::kSpace, 0), game.KeyRepeat(keys::kSpace, 0);  // the repeat adds nothing
  EXPECT_EQ(sound.Of(Op::kPlay).back().Volume, -1800);
  f.Velocity = 2;
  Tick();
  EXPECT_EQ(std::make_pair(f.Velocity, f.Fuel), std::make_pair(2 + 0.1f - 0.5f, 223.5f));
  game.KeyUp(keys::kSpace, 0);
  for (int i = 0; i < 3; ++i) game.KeyDown(keys::kTab, 0);  // Tab toggles
  game.KeyUp(keys::kSpace, keys::kShiftMask);  // releasing the space bar stops them too
  EXPECT_EQ(sound.Of(Op::kStop).size(), 3u);
  EXPECT_EQ(std::ranges::count(sound.PlayedFiles(), "retrojet.wav"), 3);
  f.Fuel = 0.6f;
  game.KeyDown(keys::kSpace, 0);
  for (int i = 0; i < 2; ++i) Tick();  // overdraws: -0.4 of fuel, still a full burn
  EXPECT_EQ(f.Fuel, 0);
  for (const char* stopped : {"retrojet.wav", "fuel.wav"}) {
    EXPECT_EQ(sound.Of(Op::kStop, sound.HandleOf(stopped)).size(), 1u) << stopped;
  }
  EXPECT_EQ(sound.Of(Op::kPlay).back().file + std::to_string(sound.Of(Op::kPlay).back().DSFlags),
            "NoFuel.wav8");
  const float speed = f.Velocity;
  Tick();  // still held: no thrust, no second warning
  EXPECT_FLOAT_EQ(f.Velocity, speed + 0.1f);
  EXPECT_EQ(speech.Count("Out of Fuel"), 1);
  game.KeyDown(keys::kTab, 0);  // nothing left to fire
  EXPECT_EQ(std::ranges::count(sound.PlayedFiles(), "retrojet.wav"), 4);
}

// Fuel burnt to exactly nothing runs out on that tick, not on the next. A stop that fails (the
// sound device gone in mid-flight) stops neither the thrusters nor the end of the flight.
TEST_F(GameTest, FuelRunsOutAtNothingAndFailingStopsLeaveTheFlightToTheKeysAndTheGround) {
  StartFlight(0, 0);
  FlightState& f = game.flight();
  game.KeyDown(keys::kSpace, 0);
  sound.stops_fail = true;
  game.KeyUp(keys::kSpace, 0);
  const float fuel = f.Fuel;
  Tick();
  EXPECT_EQ(f.Fuel, fuel);
  sound.stops_fail = false;
  f.Fuel = 2 * f.Thrust * f.TimeStep;  // two burns
  game.KeyDown(keys::kSpace, 0);
  for (int i = 0; i < 2; ++i) Tick();
  EXPECT_EQ(f.Fuel, 0);
  EXPECT_EQ(speech.Count("Out of Fuel"), 1);
  sound.stops_fail = true;
  f.Velocity = 10;
  f.Altitude = 0.1f;
  Tick();
  EXPECT_EQ(speech.Count(kPrompt), 1);
  EXPECT_FALSE(game.InFlight());
}

TEST_F(GameTest, FlightKeysSpeakMuteForTheNextFlightAndAreDiscardedWhileFlushing) {
  StartFlight(0, 0);
  speech.log.clear();
  for (char letter : {'A', 'V', 'F'}) game.KeyDown(keys::Letter(letter), 0);
  game.KeyDown(keys::Letter('V'), keys::kAltMask);  // not a command
  game.KeyDown(keys::Digit(1), keys::kControlMask);
  EXPECT_EQ(speech.log,
            (std::vector<std::string>{"1000", "<stop>", "v0", "<stop>", "Fuel: 224", "<tts 1>"}));
  game.KeyDown(keys::Letter('A'), keys::kShiftMask);
  game.KeyDown(keys::Letter('Q'), 0);
  Tick();
  Press({keys::kDown, keys::kReturn});
  game.KeyDown(keys::Letter('X'), 0);  // fly again
  const auto alt = sound.Of(Op::kVolume, sound.HandleOf("alt.wav"));
  EXPECT_EQ(alt.size() == 1 ? alt[0].Volume : 0, -10000);  // one volume set, to silence
  // Flushing discards every key and ends although keys keep coming.
  ui.on_serve = [this] { ui.QueueKeyDown(keys::Letter('Q')); };
  game.FlushKeyboard();
  game.WaitSeconds(2.5f);
  EXPECT_GE(ui.clock.Now(), 2.5);
  EXPECT_FALSE(game.flight().AbortRequested);
  ui.on_serve = nullptr;
  game.KeyDown(keys::Letter('Q'), 0);  // keys work again afterwards
  EXPECT_TRUE(game.flight().AbortRequested);
}

}  // namespace
}  // namespace veltro::game::testing
