// SPDX-License-Identifier: GPL-3.0-or-later
// Volume, pan, frequency and start position of a loaded or playing sound, converted for each
// kind of player. These never report a failure, except SetStartPosition.
#include "platform/base/platform_error.h"
#include "sound/sound.h"
#include "sound/sound_units.h"

namespace veltro::sound {

using platform::TryStep;

void Sound::SetVolume(int16_t Index, int16_t Volume) {
  const Handle handle = DecodeHandle(Index);
  TryStep([&] {
    if (handle.kind != HandleKind::kWav) {
      SetStreamVolume(handle, Volume);
    } else {
      Buffer(handle.slot).SetVolume(ClampWavVolume(Volume));
    }
  });
}

// Unlike the other operations, handle 0 is ignored rather than read as WAV slot 0.
void Sound::SetPan(int16_t Index, int16_t Pan) {
  if (Index == 0) return;
  const Handle handle = DecodeHandle(Index);
  TryStep([&] {
    if (handle.kind != HandleKind::kWav) {
      SetStreamPan(handle, Pan);
    } else {
      Buffer(handle.slot).SetPan(Pan);  // the device takes -10000 .. 10000 itself
    }
  });
}

void Sound::SetFrequency(int16_t Index, int32_t& Frequency) {
  const Handle handle = DecodeHandle(Index);
  if (handle.kind != HandleKind::kWav) {
    TryStep([&] { SetStreamFrequency(handle, Frequency); });
  } else {
    // The cap is the caller's too: its variable holds the frequency actually asked for.
    if (Frequency > kMaxWavFrequency) Frequency = kMaxWavFrequency;
    TryStep([&] { Buffer(handle.slot).SetFrequency(Frequency); });
  }
}

int32_t Sound::GetFrequency(int16_t Index) {
  // A stream has no frequency to read back.
  const Handle handle = DecodeHandle(Index);
  if (handle.kind != HandleKind::kWav) return 0;
  int32_t frequency = 0;
  TryStep([&] { frequency = Buffer(handle.slot).GetFrequency(); });
  return frequency;
}

// Every handle is read as a WAV slot: a stream handle names none, and fails.
void Sound::SetStartPosition(int16_t Index) {
  Buffer(Index).SetCurrentPosition(0);
}

}  // namespace veltro::sound
