// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

// How loud the game's sounds are heard, measured the way broadcasters do (EBU R128, through
// libebur128): K-weighted, over the loudest 400 ms.
namespace veltro::assets {

// The momentary loudness of the sound's loudest moment in LUFS, played at `rate` (a loop over and
// over, a single sound once). Add the volume the game plays it at, in dB, for what is heard.
double LoudestMoment(const std::vector<float>& samples, int rate, bool loop);

// No levelled sound has a sample at or above this: levelling is a gain, never a limiter, so a sound
// keeps the timbre it was designed with.
constexpr double kLevelCeiling = 0.95;

// The quietest and the loudest of LoudestMoment over every rate the game plays the sound at: a
// tone played at a higher pitch is heard louder (the K-weighting follows the ear).
struct LoudnessRange {
  double quietest, loudest;
};
LoudnessRange LoudnessAcross(const std::vector<float>& samples, const std::vector<int>& rates,
                             bool loop);

// Scales the sound so the middle of its loudness range over `rates` is `lufs`. Returns false, and
// leaves the sound as it was, when that gain would take a sample to kLevelCeiling or above.
bool LevelTo(std::vector<float>& samples, const std::vector<int>& rates, bool loop, double lufs);

}  // namespace veltro::assets
