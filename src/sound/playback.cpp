// Querying, stopping and restarting a sound of any kind, by handle range.
#include "platform/platform_error.h"
#include "sound/ds_flags.h"
#include "sound/sound.h"
#include "sound/sound_units.h"

namespace veltro::sound {

using platform::TryStep;

bool Sound::IsPlaying(int16_t Index) {
  bool playing = false;
  TryStep([&] {
    if (Index > 200) {
      // A stopped MP3 that has not reached its end still counts as playing.
      Mp3Slot& slot = Mp3(Index - 200);
      playing = slot.Mp3Control && slot.Mp3Position &&
                slot.Mp3Position->CurrentPosition() < slot.Mp3Position->StopTime();
    } else if (Index > 100) {
      // No OGG slot holds a stream until the stream player is built; see PlayOGGSound.
      playing = false;
      (void)Ogg(Index - 100);
    } else {
      const WavSlot& slot = Wav(Index);
      playing = slot.DSBuffer && (slot.DSBuffer->GetStatus() & platform::DSBSTATUS_PLAYING) != 0;
    }
  });
  return playing;
}

// Failures reach the caller: a handle that names no slot is the caller's error.
void Sound::StopPlay(int16_t Index) {
  if (Index > 200) {
    Mp3Slot& slot = Mp3(Index - 200);
    if (slot.Mp3Control) {
      slot.Mp3Control->Stop();
      slot.Mp3Paused = true;
    }
  } else if (Index > 100) {
    // An OGG slot with a stream would be paused here; none holds one yet (see PlayOGGSound).
    (void)Ogg(Index - 100);
  } else {
    WavSlot& slot = Wav(Index);
    if (slot.DSBuffer) slot.DSBuffer->Stop();
  }
}

void Sound::PlayOpenedSound(int16_t Index, int32_t& StartPosition, int16_t DSFlags) {
  if (IsPlaying(Index)) TryStep([&] { StopPlay(Index); });
  StartPosition = AlignStartPosition(StartPosition);
  if (Index > 200) {
    TryStep([&] {
      Mp3Slot& slot = Mp3(Index - 200);
      if (slot.Mp3Position) slot.Mp3Position->SetCurrentPosition(StartPosition);
    });
    // Streams stay stopped or paused until they are resumed.
  } else if (Index > 100) {
    // An OGG stream would be moved here; no OGG slot holds one yet (see PlayOGGSound).
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
