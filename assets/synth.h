// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <random>
#include <vector>

// Small building blocks for synthesising the game's sounds: mono signals of float samples in
// [-1, 1] at a given sample rate.
namespace veltro::assets {

using Samples = std::vector<float>;

// A synthesised sound: its sample rate and its samples.
struct Clip {
  int rate = 22050;
  Samples samples;
};

// A sum of sine harmonics of `frequency`: `amplitudes[k]` is the level of harmonic k + 1, starting
// at phase `phases[k]` (0 where not given). A whole number of periods ends exactly where it began.
Samples Harmonics(int rate, double seconds, double frequency, const std::vector<double>& amplitudes,
                  const std::vector<double>& phases = {});

// Starting phases for `amplitudes` that keep the peaks of their sum low: the same partials and so
// the same timbre, but more loudness before a peak reaches full scale.
std::vector<double> LowPeakPhases(const std::vector<double>& amplitudes);

// A tone gliding from `from_hz` to `to_hz` (exponentially) with the given harmonic levels.
Samples Glide(int rate, double seconds, double from_hz, double to_hz,
              const std::vector<double>& amplitudes);

// White noise in [-1, 1] from a fixed-seed generator, so every build writes the same files.
Samples Noise(std::mt19937& random, size_t count);

// A one-pole low-pass filter; `cutoff_hz` may change along the signal (one value per sample).
void LowPass(Samples& signal, int rate, double cutoff_hz);
void LowPassSweep(Samples& signal, int rate, double from_hz, double to_hz);

// Multiplies by exp(-t / time_constant), t in seconds from the start.
void Decay(Samples& signal, int rate, double time_constant);
// Raised-cosine fade-in over the first and fade-out over the last `seconds`.
void Fade(Samples& signal, int rate, double in_seconds, double out_seconds);

// Adds `part` into `mix` starting at `at_seconds`, scaled by `gain`; `mix` grows as needed.
void MixAt(Samples& mix, const Samples& part, int rate, double at_seconds, double gain = 1.0);
Samples Silence(int rate, double seconds);

// Makes a sound loop without a seam: the last `overlap_seconds` of `signal` are crossfaded
// (equal power) into its beginning, and the result is that much shorter, so playing it over
// and over continues the signal as it naturally went on.
Samples SeamlessLoop(const Samples& signal, int rate, double overlap_seconds);

// Turns a loop so it starts at its quietest zero crossing: the loop sounds the same, but starting
// it steps from silence by less than a sample's worth.
void StartAtZeroCrossing(Samples& loop);

// Scales the signal so its largest sample has magnitude `peak`.
void Normalize(Samples& signal, double peak);

}  // namespace veltro::assets
