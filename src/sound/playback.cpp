// SPDX-License-Identifier: GPL-3.0-or-later
// Querying, stopping and restarting a sound of any kind, by handle range.
#include "platform/base/platform_error.h"
#include "sound/play_flags.h"
#include "sound/sound.h"
#include "sound/sound_units.h"

namespace veltro::sound {

using platform::TryStep;

bool Sound::IsPlaying(int16_t Index) {
  bool playing = false;
  TryStep([&] {
    if (Index > 100) {
      playing = StreamIsPlaying(Index);
    } else {
      const WavSlot& slot = Wav(Index);
      playing = slot.DSBuffer && (slot.DSBuffer->GetStatus() & platform::DSBSTATUS_PLAYING) != 0;
    }
  });
  return playing;
}

// Failures reach the caller: a handle that names no slot is the caller's error.
void Sound::StopPlay(int16_t Index) {
  if (Index > 100) {
    StopStream(Index);
  } else {
    WavSlot& slot = Wav(Index);
    if (slot.DSBuffer) slot.DSBuffer->Stop();
  }
}

void Sound::PlayOpenedSound(int16_t Index, int32_t& StartPosition, int16_t DSFlags) {
  if (IsPlaying(Index)) TryStep([&] { StopPlay(Index); });
  StartPosition = AlignStartPosition(StartPosition);
  if (Index > 100) {
    TryStep([&] { MoveStream(Index, StartPosition); });
  } else {
    TryStep([&] { Buffer(Index).SetCurrentPosition(StartPosition); });
    TryStep([&] { Buffer(Index).Play(Has(DSFlags, kFlagLoop) ? platform::DSBPLAY_LOOPING : 0); });
  }
}

void Sound::StopSoundQ() {
  if (IsPlaying(SoundQ)) TryStep([&] { StopPlay(SoundQ); });
  SoundQ2 = 0;
  SoundQ3 = 0;
}

}  // namespace veltro::sound
