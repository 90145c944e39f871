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

bool LevelTo(std::vector<float>& samples, int rate, bool loop, double lufs, double ceiling) {
  const float knee = static_cast<float>(ceiling);
  for (int pass = 0; pass < 12; ++pass) {
    double now = LoudestMoment(samples, rate, loop);
    if (!std::isfinite(now)) return false;
    const float gain = static_cast<float>(std::pow(10.0, (lufs - now) / 20.0));
    for (float& sample : samples) sample *= gain;
    if (Peak(samples) <= knee) return true;
    // tanh rounds off the peaks and leaves the quiet parts (and silence) as they were; being
    // memoryless, it keeps a loop seamless.
    for (float& sample : samples) sample = knee * std::tanh(sample / knee);
  }
  return false;
}

}  // namespace veltro::assets
