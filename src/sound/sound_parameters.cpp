// SPDX-License-Identifier: GPL-3.0-or-later
// Volume, pan, frequency and start position of a loaded or playing sound, converted for each
// kind of player. These never report a failure, except SetStartPosition.
#include "platform/base/platform_error.h"
#include "sound/sound.h"
#include "sound/sound_units.h"

namespace veltro::sound {

using platform::TryStep;

void Sound::SetVolume(int16_t Index, int16_t Volume) {
  TryStep([&] {
    if (Index > 100) {
      SetStreamVolume(Index, Volume);
    } else {
      Buffer(Index).SetVolume(ClampWavVolume(Volume));
    }
  });
}

void Sound::SetPan(int16_t Index, int16_t Pan) {
  if (Index == 0) return;
  TryStep([&] {
    if (Index > 100) {
      SetStreamPan(Index, Pan);
    } else {
      Buffer(Index).SetPan(Pan);  // the device takes -10000 .. 10000 itself
    }
  });
}

void Sound::SetFrequency(int16_t Index, int32_t& Frequency) {
  if (Index > 100) {
    TryStep([&] { SetStreamFrequency(Index, Frequency); });
  } else {
    // The cap is the caller's too: its variable holds the frequency actually asked for.
    if (Frequency > kMaxWavFrequency) Frequency = kMaxWavFrequency;
    TryStep([&] { Buffer(Index).SetFrequency(Frequency); });
  }
}

int32_t Sound::GetFrequency(int16_t Index) {
  int32_t frequency = 0;
  if (Index > 100) return 0;
  TryStep([&] { frequency = Buffer(Index).GetFrequency(); });
  return frequency;
}

void Sound::SetStartPosition(int16_t Index) {
  Buffer(Index).SetCurrentPosition(0);
}

}  // namespace veltro::sound
