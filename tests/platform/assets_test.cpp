// SPDX-License-Identifier: GPL-3.0-or-later
// The game's synthesised sounds, as the build writes them beside the program.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "game/sound_table.h"
#include "loudness.h"

namespace {

using Samples = std::vector<float>;  // mono, in [-1, 1]

// A sample this small is silence: below -60 dB, less than the step of a quiet click.
constexpr double kZero = 0.001;

Samples Read(const std::string& name, SF_INFO& info) {
  SNDFILE* file = sf_open((VELTRO_BIN_DIR "/" + name).c_str(), SFM_READ, &info);
  if (file == nullptr) return {};
  Samples samples(static_cast<size_t>(info.frames));
  sf_readf_float(file, samples.data(), info.frames);
  sf_close(file);
  return samples;
}

double Peak(Samples::const_iterator begin, Samples::const_iterator end) {
  return std::fabs(*std::max_element(
      begin, end, [](double a, double b) { return std::fabs(a) < std::fabs(b); }));
}

// A hard cut: a 2 ms stretch well heard (above -30 dB of the peak) followed by one 40 dB quieter.
bool HasHardCut(const Samples& s, int rate) {
  const size_t width = static_cast<size_t>(rate / 500);
  const double loud = 0.03 * Peak(s.begin(), s.end());
  double before = 0.0;
  for (size_t at = 0; at + width <= s.size(); at += width) {
    double energy = 0.0;
    for (size_t i = at; i < at + width; ++i) energy += s[i] * s[i];
    const double rms = std::sqrt(energy / static_cast<double>(width));
    if (before > loud && rms < 0.01 * before) return true;
    before = rms;
  }
  return false;
}

TEST(Assets, EverySoundIsAnAudibleMono16BitWaveOfItsLengthThatLoopsSeamlessly) {
  struct Expected {
    const char* name;
    double min_seconds, max_seconds;
    bool loops, clicks;
  };
  const Expected kSounds[] = {
      {"intro.wav", 1.0, 4.0, false, false},     {"alt.wav", 0.5, 2.0, true, false},
      {"toofast.wav", 0.2, 2.0, true, false},    {"fuel.wav", 0.5, 2.0, true, false},
      {"retrojet.wav", 1.0, 4.0, true, false},   {"NoFuel.wav", 0.5, 2.0, true, false},
      {"click.wav", 0.002, 0.05, false, true},   {"vel2.wav", 0.002, 0.08, false, true},
      {"touchdown.wav", 0.3, 2.0, false, false}, {"landed.wav", 1.0, 5.0, false, false},
      {"housprob.wav", 1.0, 5.0, false, false},  {"explosion.wav", 1.5, 5.0, false, false},
  };
  for (const auto& expected : kSounds) {
    SCOPED_TRACE(expected.name);
    SF_INFO info{};
    Samples s = Read(expected.name, info);
    ASSERT_GT(s.size(), 48u);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(info.channels, 1);
    double seconds = static_cast<double>(s.size()) / info.samplerate;
    EXPECT_GE(seconds, expected.min_seconds);
    EXPECT_LE(seconds, expected.max_seconds);
    EXPECT_LT(Peak(s.begin(), s.end()), 0.999) << "clipped";
    EXPECT_LE(std::fabs(s.front()), kZero) << "starts with a click";
    EXPECT_FALSE(HasHardCut(s, info.samplerate));
    // Playing the end straight into the beginning is no bigger a step than any inside the sound.
    double largest_step = 0.0;
    for (size_t i = 1; i < s.size(); ++i)
      largest_step = std::max(largest_step, std::fabs(double{s[i]} - s[i - 1]));
    if (expected.loops) {
      EXPECT_LE(std::fabs(s.front() - s.back()), largest_step + 1.0 / 32768.0);
    } else {
      EXPECT_LE(std::fabs(s.back()), kZero) << "ends with a click";
    }
    if (expected.clicks) {
      // The flight plays the clicks from byte 96 on, the sound review from the start: both
      // must hear the whole click, so the first 48 samples are silent.
      EXPECT_EQ(Peak(s.begin(), s.begin() + 48), 0.0);
    }
  }
}

// The mix as the player hears it: each sound's loudest moment (K-weighted over 400 ms, LUFS) at
// the volume the game plays it with.
TEST(Assets, TheMixIsBalancedAtTheVolumesTheGamePlaysItWith) {
  namespace game = veltro::game;
  auto heard = [](const game::SoundRow& row) {
    SF_INFO info{};
    Samples s = Read(row.waveFileIn, info);
    // The too-fast warning starts silent and sounds at kTooFastVolume.
    const double db = (row.Volume == game::kSilent ? game::kTooFastVolume : row.Volume) / 100.0;
    return veltro::assets::LoudestMoment(s, info.samplerate, row.DSFlags == game::kLoop) + db;
  };
  const double cues[] = {heard(game::kAltitudeTone), heard(game::kFuelTone), heard(game::kTooFast)};
  const double loudest_cue = *std::max_element(std::begin(cues), std::end(cues));
  const double quietest_cue = *std::min_element(std::begin(cues), std::end(cues));
  EXPECT_LE(loudest_cue - quietest_cue, 3.0) << "altitude, fuel and too-fast cues";
  EXPECT_GE(heard(game::kThruster), cues[0] - 6.0) << "thrusters under the altitude tone";
  EXPECT_LE(heard(game::kIntro), quietest_cue) << "introduction louder than the cues";
  for (const game::SoundRow& outcome :
       {game::kTouchdown, game::kLanded, game::kHoustonProblem, game::kExplosion}) {
    EXPECT_GE(heard(outcome), loudest_cue + 3.0) << outcome.waveFileIn << " not above the cues";
  }
}

}  // namespace
