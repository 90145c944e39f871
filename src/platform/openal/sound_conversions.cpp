// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/openal/sound_conversions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "platform/openal/openal_context.h"

namespace veltro::platform::desktop {
namespace {

// OpenAL Soft 1.19's stereo panning of a mono source at 0, 1, ... 59 degrees to one side (head
// relative, no distance attenuation, HRTF off), measured on its loopback device at 44.1 kHz:
// how far the far channel lies below the near one, and the near channel's level against the
// source at full gain, both in dB. At 60 degrees and beyond the far channel is silent.
constexpr std::array<float, 60> kFarBelowNearDb = {
    0.00f,  0.38f,  0.76f,  1.15f,  1.53f,  1.91f,  2.30f,  2.69f,  3.07f,  3.46f,  3.86f,  4.25f,
    4.65f,  5.05f,  5.45f,  5.86f,  6.27f,  6.69f,  7.11f,  7.54f,  7.97f,  8.40f,  8.85f,  9.30f,
    9.75f,  10.22f, 10.69f, 11.17f, 11.66f, 12.16f, 12.68f, 13.20f, 13.74f, 14.29f, 14.85f, 15.43f,
    16.03f, 16.65f, 17.29f, 17.95f, 18.63f, 19.34f, 20.09f, 20.86f, 21.67f, 22.52f, 23.41f, 24.35f,
    25.35f, 26.42f, 27.58f, 28.84f, 30.22f, 31.77f, 33.51f, 35.51f, 37.90f, 40.87f, 44.89f, 51.45f};
constexpr std::array<float, 60> kNearLevelDb = {
    -4.49f, -4.31f, -4.12f, -3.94f, -3.77f, -3.60f, -3.44f, -3.28f, -3.12f, -2.97f, -2.83f, -2.68f,
    -2.55f, -2.41f, -2.28f, -2.16f, -2.03f, -1.92f, -1.80f, -1.69f, -1.58f, -1.48f, -1.38f, -1.28f,
    -1.19f, -1.10f, -1.02f, -0.93f, -0.86f, -0.78f, -0.71f, -0.64f, -0.57f, -0.51f, -0.45f, -0.40f,
    -0.34f, -0.29f, -0.25f, -0.20f, -0.16f, -0.13f, -0.09f, -0.06f, -0.03f, -0.01f, 0.00f,  0.00f,
    0.00f,  0.00f,  0.00f,  0.00f,  0.00f,  0.00f,  0.00f,  0.00f,  0.00f,  0.00f,  0.00f,  0.00f};
constexpr float kSilentFarAngle = 60;
// DirectSound's -10000 is silence: the far channel is then silent too.
constexpr float kSilenceDb = 100;

// Pitch factors OpenAL Soft mixes without clamping them on its own.
constexpr float kMinPitch = 1.0f / 2048;
constexpr float kMaxPitch = 255;

float DbToGain(float db) {
  return std::pow(10.0f, db / 20);
}

}  // namespace

float VolumeToGain(int32_t hundredths_db) {
  if (hundredths_db <= -10000) return 0;
  return std::pow(10.0f, static_cast<float>(std::min(hundredths_db, 0)) / 2000);
}

float FrequencyToPitch(int32_t hertz, int32_t data_rate) {
  if (hertz == 0 || data_rate <= 0) return 1;
  const float pitch = static_cast<float>(hertz) / static_cast<float>(data_rate);
  return std::clamp(pitch, kMinPitch, kMaxPitch);
}

PanPlacement PanToPlacement(int32_t hundredths_db) {
  const float wanted_db = static_cast<float>(std::abs(hundredths_db)) / 100;
  PanPlacement placement;
  float near_db = kNearLevelDb.back();
  if (wanted_db >= kSilenceDb) {
    placement.angle_degrees = kSilentFarAngle;
  } else if (wanted_db >= kFarBelowNearDb.back()) {
    // Within the last degree the far channel's gain falls in proportion to the angle still to go
    // (measured: 65.9 dB below at 59.8 degrees, 72.0 dB at 59.9).
    placement.angle_degrees =
        kSilentFarAngle - std::pow(10.0f, -(wanted_db - kFarBelowNearDb.back()) / 20);
  } else {
    // The table rises steadily: find the pair of angles the wanted difference lies between.
    const auto upper = std::upper_bound(kFarBelowNearDb.begin(), kFarBelowNearDb.end(), wanted_db);
    const auto index = static_cast<size_t>(upper - kFarBelowNearDb.begin()) - 1;
    const float low = kFarBelowNearDb[index], high = kFarBelowNearDb[index + 1];
    const float t = (wanted_db - low) / (high - low);
    placement.angle_degrees = static_cast<float>(index) + t;
    near_db = kNearLevelDb[index] + t * (kNearLevelDb[index + 1] - kNearLevelDb[index]);
  }
  if (hundredths_db < 0) placement.angle_degrees = -placement.angle_degrees;
  placement.gain = DbToGain(-near_db);
  return placement;
}

void ApplyVolumeAndPan(ALuint source, int32_t volume, int32_t pan, bool place_by_pan) {
  float gain = VolumeToGain(volume);
  if (place_by_pan) {
    const PanPlacement placement = PanToPlacement(pan);
    const double radians = placement.angle_degrees * std::numbers::pi / 180;
    alSource3f(source, AL_POSITION, static_cast<float>(std::sin(radians)), 0.0f,
               static_cast<float>(-std::cos(radians)));
    gain *= placement.gain;
  }
  alSourcef(source, AL_GAIN, gain);
  CheckAlError("Setting a sound's volume or pan");
}

Vector3 ToOpenAlAxes(Vector3 direct_sound) {
  return {direct_sound.x, direct_sound.y, -direct_sound.z};
}

}  // namespace veltro::platform::desktop
