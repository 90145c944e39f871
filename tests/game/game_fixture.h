#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>
#include <string>

#include "game/frm_main.h"
#include "game/recording_ports.h"
#include "platform/keys.h"
#include "platform/platform_error.h"
#include "support/fake_ui.h"

namespace veltro::game::testing {

using Op = RecordingSound::Op;

// A game window on the fake user interface, with a script of key presses that are handed out
// one per served queue, so that each menu gets exactly the keys meant for it.
class GameTest : public ::testing::Test {
 protected:
  GameTest() {
    ui.on_do_events = [this] { FeedScript(); };
  }

  struct ScriptedKey {
    int16_t code, shift;
    std::string after_text;  // held back until this text has been said `after_count` times
    int after_count;
  };
  // Adds a key press to the script.
  void Press(int16_t code, int16_t shift = 0) { script.push_back({code, shift, "", 0}); }
  void PressAfter(const std::string& text, int count, int16_t code) {
    script.push_back({code, 0, text, count});
  }
  void PressTimes(int times, int16_t code) {
    for (int i = 0; i < times; ++i) Press(code);
  }
  void FeedScript() {
    // A flow that never ends stops the test instead of hanging it.
    if (ui.now > 10000) throw std::runtime_error("the game kept waiting");
    if (script.empty()) return;
    const ScriptedKey key = script.front();
    if (speech.Count(key.after_text) < key.after_count) return;
    script.pop_front();
    ui.QueueKeyDown(key.code, key.shift);
  }

  // Runs the main flow to a flight on world `world` (menu index) at `difficulty`.
  void StartFlight(int world, int difficulty) {
    PressTimes(world, keys::kDown);
    Press(keys::kReturn);
    PressTimes(difficulty, keys::kDown);
    Press(keys::kReturn);
    Press(keys::kDown);  // "Continue"
    Press(keys::kReturn);
    game.Form_Load();
    ASSERT_TRUE(script.empty());
  }

  // One flight tick, `seconds` after the previous one on the clock.
  void Tick(double seconds = 0.02) {
    ui.now += seconds;
    game.Timer1_Timer();
  }
  // Keeps the craft still at `altitude` (no gravity, no speed) and runs one tick there.
  void TickAt(float altitude) {
    game.flight().Gravity = 0;
    game.flight().Velocity = 0;
    game.flight().Altitude = altitude;
    Tick();
  }
  // Serves the queue until the flight has ended and the closing prompt is spoken.
  void RunUntilPrompt() {
    for (int i = 0; i < 1000000 && speech.Count(kPrompt) == prompts_seen; ++i) ui.DoEvents();
    ASSERT_EQ(speech.Count(kPrompt), prompts_seen + 1);
    ++prompts_seen;
  }
  int32_t LastFrequency(int16_t handle) const {
    return sound.Of(Op::kFrequency, handle).back().Frequency;
  }

  static constexpr const char* kPrompt =
      "Press Escape to exit, N to select a new planet, or  any other key to try again.";

  veltro::testing::FakeUi ui;
  RecordingSpeech speech;
  RecordingSound sound;
  std::string app_path;
  FRMMain game{ui, speech, sound, app_path};
  std::deque<ScriptedKey> script;
  int prompts_seen = 0;
};

}  // namespace veltro::game::testing
