// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

// How loud the game's sounds are heard, measured the way broadcasters do (EBU R128, through
// libebur128): K-weighted, over the loudest 400 ms.
namespace veltro::assets {

// The momentary loudness of the sound's loudest moment in LUFS, played at `rate` (a loop over and
// over, a single sound once). Add the volume the game plays it at, in dB, for what is heard.
double LoudestMoment(const std::vector<float>& samples, int rate, bool loop);

// Scales the sound so its loudest moment is `lufs`. Peaks that would pass `ceiling` are rounded
// off (a soft limiter) and the level is measured again, so the sound never clips. Returns false
// when even that cannot reach the level.
bool LevelTo(std::vector<float>& samples, int rate, bool loop, double lufs, double ceiling);

}  // namespace veltro::assets
