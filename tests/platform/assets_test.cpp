// SPDX-License-Identifier: GPL-3.0-or-later
// The game's synthesised sounds, as the build writes them beside the program.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "game/sound_table.h"
#include "loudness.h"
#include "sound_designs.h"

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

// The share of a loop's power above `hertz` when it plays at `rate`. The loop holds whole periods,
// so the bins of a DFT over it are exact: bin k plays at k * rate / size Hz.
double ShareAbove(const Samples& s, int rate, double hertz) {
  const size_t n = s.size();
  std::vector<std::complex<double>> turn(n);
  for (size_t i = 0; i < n; ++i) turn[i] = std::polar(1.0, -2.0 * std::numbers::pi * i / n);
  double total = 0.0, below = 0.0;
  for (float x : s) total += double{x} * x;
  for (size_t k = 0; k <= static_cast<size_t>(hertz * n / rate) && k <= n / 2; ++k) {
    std::complex<double> bin = 0.0;
    for (size_t i = 0; i < n; ++i) bin += turn[k * i % n] * double{s[i]};
    below += (k == 0 ? 1.0 : 2.0) * std::norm(bin) / static_cast<double>(n);
  }
  return 1.0 - below / total;
}

// The tones keep their designed timbre at every pitch the game plays them at: near the ground,
// where small speakers give little of the fundamental, the overtones above 250 Hz carry them; and
// nothing sounds above their highest partial (levelling added no distortion).
TEST(Assets, EverySoundIsAnAudibleMono16BitWaveOfItsLengthAndTimbreThatLoopsSeamlessly) {
  const struct {
    std::string name;
    double designed_share_above_250_hz, highest_partial_hz;
  } kTones[] = {{"alt.wav", 0.452, 6 * veltro::assets::kAltitudeToneHz},
                {"fuel.wav", 0.483, 9 * veltro::assets::kFuelToneHz}};
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
    EXPECT_LT(Peak(s.begin(), s.end()), veltro::assets::kLevelCeiling) << "levelled into clipping";
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
    for (const auto& tone : kTones) {
      if (tone.name != expected.name) continue;
      for (int rate : veltro::assets::PlayedRates(tone.name, info.samplerate)) {
        EXPECT_GE(ShareAbove(s, rate, 250.0), tone.designed_share_above_250_hz - 0.005) << rate;
      }
      EXPECT_LT(ShareAbove(s, info.samplerate, tone.highest_partial_hz + 50.0), 1e-5);
    }
  }
}

// The mix as the player hears it: each sound's loudest moment (K-weighted over 400 ms, LUFS) at
// the volume the game plays it with, the tones over every pitch their sweep plays them at.
TEST(Assets, TheMixIsBalancedAtTheVolumesAndPitchesTheGamePlaysItWith) {
  namespace game = veltro::game;
  using veltro::assets::LoudnessRange;
  auto heard = [](const game::SoundRow& row) {
    SF_INFO info{};
    Samples s = Read(row.waveFileIn, info);
    // The too-fast warning starts silent and sounds at kTooFastVolume.
    const double db = (row.Volume == game::kSilent ? game::kTooFastVolume : row.Volume) / 100.0;
    const LoudnessRange range = veltro::assets::LoudnessAcross(
        s, veltro::assets::PlayedRates(row.waveFileIn, info.samplerate),
        row.DSFlags == game::kFlagLoop);
    return LoudnessRange{range.quietest + db, range.loudest + db};
  };
  const LoudnessRange cues[] = {heard(game::kAltitudeTone), heard(game::kFuelTone),
                                heard(game::kTooFast)};
  const double loudest_cue = std::ranges::max(cues, {}, &LoudnessRange::loudest).loudest;
  const double quietest_cue = std::ranges::min(cues, {}, &LoudnessRange::quietest).quietest;
  EXPECT_LE(loudest_cue - quietest_cue, 3.0) << "altitude, fuel and too-fast cues";
  EXPECT_GE(heard(game::kThruster).loudest, cues[0].quietest - 6.0)
      << "thrusters under the altitude tone";
  EXPECT_LE(heard(game::kIntro).loudest, quietest_cue) << "introduction louder than the cues";
  for (const game::SoundRow& outcome :
       {game::kTouchdown, game::kLanded, game::kHoustonProblem, game::kExplosion}) {
    EXPECT_GE(heard(outcome).quietest, loudest_cue + 3.0)
        << outcome.waveFileIn << " not above the cues";
  }
}

}  // namespace
