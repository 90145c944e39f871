// SPDX-License-Identifier: GPL-3.0-or-later
// Querying, stopping and restarting a sound of any kind, by handle range.
#include "platform/base/platform_error.h"
#include "sound/reuse_class.h"
#include "sound/sound.h"
#include "sound/sound_units.h"

namespace veltro::sound {

using platform::TryStep;

bool Sound::IsPlaying(int16_t Index) {
  bool playing = false;
  const Handle handle = DecodeHandle(Index);
  TryStep([&] {
    if (handle.kind != HandleKind::kWav) {
      playing = StreamIsPlaying(handle);
    } else {
      const WavSlot& slot = Wav(handle.slot);
      playing = slot.DSBuffer && (slot.DSBuffer->GetStatus() & platform::DSBSTATUS_PLAYING) != 0;
    }
  });
  return playing;
}

// Failures reach the caller: a handle that names no slot is the caller's error.
void Sound::StopPlay(int16_t Index) {
  const Handle handle = DecodeHandle(Index);
  if (handle.kind != HandleKind::kWav) {
    StopStream(handle);
  } else {
    WavSlot& slot = Wav(handle.slot);
    if (slot.DSBuffer) slot.DSBuffer->Stop();
  }
}

void Sound::PlayOpenedSound(int16_t Index, int32_t& StartPosition, int16_t DSFlags) {
  if (IsPlaying(Index)) TryStep([&] { StopPlay(Index); });
  StartPosition = AlignStartPosition(StartPosition);
  const Handle handle = DecodeHandle(Index);
  if (handle.kind != HandleKind::kWav) {
    TryStep([&] { MoveStream(handle, StartPosition); });
  } else {
    TryStep([&] { Buffer(handle.slot).SetCurrentPosition(StartPosition); });
    TryStep([&] {
      Buffer(handle.slot).Play(Has(DSFlags, platform::kFlagLoop) ? platform::DSBPLAY_LOOPING : 0);
    });
  }
}

void Sound::StopSoundQ() {
  if (IsPlaying(SoundQ)) TryStep([&] { StopPlay(SoundQ); });
  SoundQ2 = 0;
  SoundQ3 = 0;
}

}  // namespace veltro::sound
