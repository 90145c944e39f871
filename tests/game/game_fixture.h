// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "game/main_flow.h"
#include "platform/base/platform_error.h"
#include "platform/events/keys.h"
#include "support/test_ui.h"

namespace veltro::game::testing {

// Records what the game says, in order; stops and back-end switches appear as "<stop>", "<tts N>".
class RecordingSpeech : public GameSpeech {
 public:
  std::vector<std::string> log;
  void Say(const std::string& text) override { log.push_back(text); }
  void StopSpeech() override { log.push_back("<stop>"); }
  void TTSSetup(int16_t type) override { log.push_back("<tts " + std::to_string(type) + ">"); }
  int Count(const std::string& text) const { return std::count(log.begin(), log.end(), text); }
};

// Records every sound call. Handles count up from 1; a sound reports "playing" for
// `polls_while_playing` IsPlaying polls and then ends.
class RecordingSound : public GameSound {
 public:
  enum class Op { kPlay, kStop, kVolume, kPan, kFrequency };
  struct Call {
    Op op;
    int16_t handle;
    std::string file;  // plays only
    int16_t Volume = 0, Pan = 0, DSFlags = 0;
    int32_t Frequency = 0;
  };
  std::vector<Call> calls;
  int polls_while_playing = 2;
  std::function<void()> on_is_playing;
  bool stops_fail = false;  // StopPlay fails as with a sound device gone in mid-game

  void DSInit() override {}
  int16_t PlaySound(const std::string& file, int16_t& Volume, int32_t& Frequency, int16_t& Pan,
                    int32_t& StartPosition, int16_t& DSFlags) override {
    calls.push_back({Op::kPlay, next_, file, Volume, Pan, DSFlags, Frequency});
    polls_left_[next_] = polls_while_playing;
    return next_++;
  }
  bool IsPlaying(int16_t Index) override {
    if (on_is_playing) on_is_playing();
    return polls_left_[Index]-- > 0;
  }
  void StopPlay(int16_t Index) override {
    calls.push_back({Op::kStop, Index, ""});
    if (stops_fail) throw platform::PlatformError("The sound device is gone");
  }
  void SetVolume(int16_t i, int16_t v) override { calls.push_back({Op::kVolume, i, "", v}); }
  void SetPan(int16_t i, int16_t p) override { calls.push_back({Op::kPan, i, "", 0, p}); }
  void SetFrequency(int16_t i, int32_t& f) override {
    calls.push_back({Op::kFrequency, i, "", 0, 0, 0, f});
  }

  // The calls of one kind, of one handle if `handle` is given.
  std::vector<Call> Of(Op op, int16_t handle = -1) const {
    std::vector<Call> found;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(found),
                 [&](const Call& c) { return c.op == op && (handle < 0 || c.handle == handle); });
    return found;
  }
  std::vector<std::string> PlayedFiles() const {
    std::vector<std::string> files;
    for (const Call& c : Of(Op::kPlay)) files.push_back(c.file);
    return files;
  }
  int16_t HandleOf(const std::string& file) const {  // of its last play, 0 if never played
    int16_t handle = 0;
    for (const Call& c : Of(Op::kPlay)) handle = c.file == file ? c.handle : handle;
    return handle;
  }

 private:
  int16_t next_ = 1;
  std::map<int16_t, int> polls_left_;
};

using Op = RecordingSound::Op;

// A game window on the headless user interface; Press adds keys to the interface's script.
class GameTest : public ::testing::Test {
 public:
  void Press(std::initializer_list<int16_t> codes, int16_t shift = 0, int times = 1) {
    for (int i = 0; i < times; ++i) {
      for (int16_t code : codes) ui.script.push_back({code, shift});
    }
  }
  // Runs the main flow to a flight on world `world` (menu index) at `difficulty`.
  void StartFlight(int world, int difficulty) {
    Press({keys::kDown}, 0, world);
    Press({keys::kReturn});
    Press({keys::kDown}, 0, difficulty);
    Press({keys::kReturn, keys::kDown, keys::kReturn});  // ... "Continue"
    game.Form_Load();
    ASSERT_TRUE(ui.script.empty());
  }
  void Tick(double seconds = 0.02) {  // one flight tick, `seconds` after the previous one
    ui.clock.Advance(seconds);
    game.Timer1_Timer();
  }
  void TickAt(float altitude) {  // one tick held still there: no gravity, no speed
    game.flight().Gravity = game.flight().Velocity = 0;
    game.flight().Altitude = altitude;
    Tick();
  }
  void RunUntilPrompt() {  // serves the queue until the flight ends with the closing prompt
    const int seen = speech.Count(kPrompt);
    for (int i = 0; i < 1000000 && speech.Count(kPrompt) == seen; ++i) ui.events.DoEvents();
    ASSERT_EQ(speech.Count(kPrompt), seen + 1);
  }

  static constexpr const char* kPrompt =
      "Press Escape to exit, N to select a new planet, or  any other key to try again.";

  veltro::testing::TestUi ui;
  RecordingSpeech speech;
  RecordingSound sound;
  std::string app_path;
  FRMMain game{ui.ui(), speech, sound, app_path};
};

}  // namespace veltro::game::testing
