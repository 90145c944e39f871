#pragma once

#include <algorithm>
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

// The MP3 player's rate factor: 22050 Hz is normal speed.
inline float Mp3Rate(int32_t frequency) {
  return static_cast<float>(frequency) / 22050.0f;
}

}  // namespace veltro::sound
