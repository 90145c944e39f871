// SPDX-License-Identifier: GPL-3.0-or-later
#include "synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace veltro::assets {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

size_t SampleCount(int rate, double seconds) {
  return static_cast<size_t>(std::lround(seconds * rate));
}

float HarmonicSum(double phase, const std::vector<double>& amplitudes,
                  const std::vector<double>& phases = {}) {
  double value = 0.0;
  for (size_t k = 0; k < amplitudes.size(); ++k) {
    const double start = k < phases.size() ? phases[k] : 0.0;
    value += amplitudes[k] * std::sin(phase * static_cast<double>(k + 1) + start);
  }
  return static_cast<float>(value);
}

// The largest magnitude of the harmonic sum over one period.
double PeriodPeak(const std::vector<double>& amplitudes, const std::vector<double>& phases) {
  constexpr int kPoints = 1024;
  double peak = 0.0;
  for (int i = 0; i < kPoints; ++i) {
    const double phase = kTwoPi * i / kPoints;
    peak = std::max(peak, std::fabs(double{HarmonicSum(phase, amplitudes, phases)}));
  }
  return peak;
}

}  // namespace

Samples Harmonics(int rate, double seconds, double frequency, const std::vector<double>& amplitudes,
                  const std::vector<double>& phases) {
  Samples out(SampleCount(rate, seconds));
  for (size_t i = 0; i < out.size(); ++i) {
    // The phase from the sample index (not accumulated) keeps whole periods exact.
    double phase = kTwoPi * frequency * static_cast<double>(i) / rate;
    out[i] = HarmonicSum(phase, amplitudes, phases);
  }
  return out;
}

std::vector<double> LowPeakPhases(const std::vector<double>& amplitudes) {
  // Coordinate descent over a grid of phases: a few sweeps settle on a low peak, and the same
  // amplitudes always give the same phases.
  constexpr int kSteps = 32, kSweeps = 6;
  std::vector<double> phases(amplitudes.size(), 0.0);
  double best = PeriodPeak(amplitudes, phases);
  for (int sweep = 0; sweep < kSweeps; ++sweep) {
    for (size_t k = 1; k < phases.size(); ++k) {
      if (amplitudes[k] == 0.0) continue;
      double chosen = phases[k];
      for (int step = 0; step < kSteps; ++step) {
        phases[k] = kTwoPi * step / kSteps;
        const double peak = PeriodPeak(amplitudes, phases);
        if (peak < best) best = peak, chosen = phases[k];
      }
      phases[k] = chosen;
    }
  }
  return phases;
}

Samples Glide(int rate, double seconds, double from_hz, double to_hz,
              const std::vector<double>& amplitudes) {
  Samples out(SampleCount(rate, seconds));
  double phase = 0.0;
  for (size_t i = 0; i < out.size(); ++i) {
    double t = static_cast<double>(i) / static_cast<double>(out.size());
    double frequency = from_hz * std::pow(to_hz / from_hz, t);
    out[i] = HarmonicSum(phase, amplitudes);
    phase = std::fmod(phase + kTwoPi * frequency / rate, kTwoPi);
  }
  return out;
}

Samples Noise(std::mt19937& random, size_t count) {
  std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
  Samples out(count);
  for (float& sample : out) sample = uniform(random);
  return out;
}

void LowPass(Samples& signal, int rate, double cutoff_hz) {
  LowPassSweep(signal, rate, cutoff_hz, cutoff_hz);
}

void LowPassSweep(Samples& signal, int rate, double from_hz, double to_hz) {
  double state = 0.0;
  for (size_t i = 0; i < signal.size(); ++i) {
    double t =
        signal.size() > 1 ? static_cast<double>(i) / static_cast<double>(signal.size() - 1) : 0.0;
    double cutoff = from_hz * std::pow(to_hz / from_hz, t);
    double alpha = 1.0 - std::exp(-kTwoPi * cutoff / rate);
    state += alpha * (signal[i] - state);
    signal[i] = static_cast<float>(state);
  }
}

void Decay(Samples& signal, int rate, double time_constant) {
  for (size_t i = 0; i < signal.size(); ++i) {
    signal[i] *= static_cast<float>(std::exp(-static_cast<double>(i) / rate / time_constant));
  }
}

void Fade(Samples& signal, int rate, double in_seconds, double out_seconds) {
  size_t in = std::min(SampleCount(rate, in_seconds), signal.size());
  size_t out = std::min(SampleCount(rate, out_seconds), signal.size());
  for (size_t i = 0; i < in; ++i) {
    signal[i] *= static_cast<float>(0.5 - 0.5 * std::cos(std::numbers::pi * i / in));
  }
  for (size_t i = 0; i < out; ++i) {
    signal[signal.size() - 1 - i] *=
        static_cast<float>(0.5 - 0.5 * std::cos(std::numbers::pi * i / out));
  }
}

void MixAt(Samples& mix, const Samples& part, int rate, double at_seconds, double gain) {
  size_t start = SampleCount(rate, at_seconds);
  if (mix.size() < start + part.size()) mix.resize(start + part.size(), 0.0f);
  for (size_t i = 0; i < part.size(); ++i) {
    mix[start + i] += static_cast<float>(gain * part[i]);
  }
}

Samples Silence(int rate, double seconds) {
  return Samples(SampleCount(rate, seconds), 0.0f);
}

Samples SeamlessLoop(const Samples& signal, int rate, double overlap_seconds) {
  size_t overlap = std::min(SampleCount(rate, overlap_seconds), signal.size() / 2);
  size_t length = signal.size() - overlap;
  Samples out(signal.begin(), signal.begin() + static_cast<std::ptrdiff_t>(length));
  for (size_t i = 0; i < overlap; ++i) {
    // At i = 0 the beginning is exactly the sample that followed the loop's last one.
    double x = static_cast<double>(i) / static_cast<double>(overlap);
    double head = std::sin(0.5 * std::numbers::pi * x);
    double tail = std::cos(0.5 * std::numbers::pi * x);
    out[i] = static_cast<float>(head * signal[i] + tail * signal[length + i]);
  }
  return out;
}

void Normalize(Samples& signal, double peak) {
  float largest = 0.0f;
  for (float sample : signal) largest = std::max(largest, std::fabs(sample));
  if (largest <= 0.0f) return;
  float scale = static_cast<float>(peak / largest);
  for (float& sample : signal) sample *= scale;
}

void StartAtZeroCrossing(Samples& loop) {
  // The quieter of the two samples on either side of each crossing.
  size_t best = 0;
  for (size_t i = 1; i < loop.size(); ++i) {
    if ((loop[i - 1] < 0.0f) == (loop[i] < 0.0f)) continue;
    const size_t quieter = std::fabs(loop[i - 1]) < std::fabs(loop[i]) ? i - 1 : i;
    if (std::fabs(loop[quieter]) < std::fabs(loop[best])) best = quieter;
  }
  std::rotate(loop.begin(), loop.begin() + static_cast<std::ptrdiff_t>(best), loop.end());
}

}  // namespace veltro::assets
