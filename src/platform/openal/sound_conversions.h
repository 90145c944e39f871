// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <AL/al.h>

#include <cstdint>

#include "platform/audio/sound_device.h"

// DirectSound's units turned into what OpenAL Soft takes. Each conversion is one small function.
namespace veltro::platform::desktop {

// A volume in hundredths of a decibel (0 full, -10000 silent) as a linear gain: 10^(v / 2000).
// -10000 and below give exactly 0.
float VolumeToGain(int32_t hundredths_db);

// A playback rate in hertz as a pitch factor against the data's own rate; 0 means the data's own
// rate (pitch 1). The factor is kept within what OpenAL Soft mixes.
float FrequencyToPitch(int32_t hertz, int32_t data_rate);

// Where a mono source is placed, and how much louder it is played, so that OpenAL's stereo panning
// gives DirectSound's pan law: the near channel at full level and the far channel |pan| hundredths
// of a decibel below it.
struct PanPlacement {
  float angle_degrees = 0;  // from straight ahead; negative = left
  float gain = 1;           // multiplies the volume's gain
};
PanPlacement PanToPlacement(int32_t hundredths_db);

// Gives a source the gain of a volume and, when `place_by_pan`, the place and extra gain of a pan
// (for a mono source that is not a 3D one). Throws PlatformError when OpenAL refuses.
void ApplyVolumeAndPan(ALuint source, int32_t volume, int32_t pan, bool place_by_pan);

// A position or direction in DirectSound's left-handed axes (z forward) in OpenAL's right-handed
// ones (z backward).
Vector3 ToOpenAlAxes(Vector3 direct_sound);

}  // namespace veltro::platform::desktop
