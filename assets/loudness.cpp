// SPDX-License-Identifier: GPL-3.0-or-later
#include "loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>

namespace veltro::assets {
namespace {

float Peak(const std::vector<float>& samples) {
  float peak = 0.0f;
  for (float sample : samples) peak = std::max(peak, std::fabs(sample));
  return peak;
}

}  // namespace

double LoudestMoment(const std::vector<float>& samples, int rate, bool loop) {
  if (samples.empty()) return -HUGE_VAL;
  std::vector<float> heard = samples;
  if (loop) {
    // Two seconds or more of the loop, so the 400 ms window also spans its seam.
    while (heard.size() < 2 * static_cast<size_t>(rate)) {
      heard.insert(heard.end(), samples.begin(), samples.end());
    }
  } else {
    heard.resize(heard.size() + rate * 2 / 5, 0.0f);  // the window passes over the end
  }
  ebur128_state* state = ebur128_init(1, static_cast<unsigned long>(rate), EBUR128_MODE_M);
  if (state == nullptr) return -HUGE_VAL;
  const size_t step = std::max(1, rate / 100);
  double loudest = -HUGE_VAL;
  for (size_t at = 0; at < heard.size(); at += step) {
    ebur128_add_frames_float(state, heard.data() + at, std::min(step, heard.size() - at));
    double now = -HUGE_VAL;
    if (ebur128_loudness_momentary(state, &now) == EBUR128_SUCCESS)
      loudest = std::max(loudest, now);
  }
  ebur128_destroy(&state);
  return loudest;
}

LoudnessRange LoudnessAcross(const std::vector<float>& samples, const std::vector<int>& rates,
                             bool loop) {
  LoudnessRange range{HUGE_VAL, -HUGE_VAL};
  for (int rate : rates) {
    const double lufs = LoudestMoment(samples, rate, loop);
    range = {std::min(range.quietest, lufs), std::max(range.loudest, lufs)};
  }
  return range;
}

bool LevelTo(std::vector<float>& samples, const std::vector<int>& rates, bool loop, double lufs) {
  const LoudnessRange now = LoudnessAcross(samples, rates, loop);
  if (!std::isfinite(now.quietest) || !std::isfinite(now.loudest)) return false;
  const double gain = std::pow(10.0, (lufs - (now.quietest + now.loudest) / 2.0) / 20.0);
  if (Peak(samples) * gain >= kLevelCeiling) return false;
  for (float& sample : samples) sample = static_cast<float>(sample * gain);
  return true;
}

}  // namespace veltro::assets
