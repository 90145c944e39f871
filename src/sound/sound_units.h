// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

// The conversions between the engine's units (hundredths of a decibel, hertz, bytes) and what
// each kind of player takes.
namespace veltro::sound {

// A buffer's attenuation: 0 (full) down to -10000 (silent).
inline int16_t ClampWavVolume(int16_t volume) {
  return std::clamp<int16_t>(volume, -10000, 0);
}

// The highest playback rate a buffer is given.
constexpr int32_t kMaxWavFrequency = 88200;

// A start position on a whole 16-bit stereo frame: a positive remainder of 4 is dropped;
// a negative position is passed on as it is.
inline int32_t AlignStartPosition(int32_t position) {
  int32_t remainder = position % 4;
  return remainder > 0 ? position - remainder : position;
}

// Stream pans are kept to -5000 .. 5000.
inline int16_t ClampStreamPan(int16_t pan) {
  return std::clamp<int16_t>(pan, -5000, 5000);
}

// An OGG stream's loudness level 0 .. 100: one step per 50 hundredths of a decibel below full,
// halves to the even level; -5000 and quieter are silent.
inline int32_t OggLevel(int16_t volume) {
  return std::clamp(static_cast<int32_t>(std::nearbyint((volume + 5000) / 50.0)), 0, 100);
}

// An OGG stream's pan in whole decibels (-50 .. 50 from a stream pan), halves to the even one.
inline int32_t OggPan(int16_t pan) {
  return static_cast<int32_t>(std::nearbyint(pan / 100.0));
}

// The MP3 player's rate factor: 22050 Hz is normal speed.
inline float Mp3Rate(int32_t frequency) {
  return static_cast<float>(frequency) / 22050.0f;
}

}  // namespace veltro::sound
