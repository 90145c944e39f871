// SPDX-License-Identifier: GPL-3.0-or-later
// Pausing and resuming streams, all of a kind or one. Failures reach the caller: a handle that
// names no slot is the caller's error.
#include "sound/sound.h"

namespace veltro::sound {

void Sound::PauseAllOGGSounds() {
  for (int16_t o = 1; o <= settings_.OggBuffers; ++o) {
    const auto handle = static_cast<int16_t>(100 + o);
    if (IsPlaying(handle)) StopPlay(handle);
  }
}

// Resumes what a pause stopped, then forgets every pause.
void Sound::UnPauseAllOGGSounds() {
  for (int16_t o = 1; o <= settings_.OggBuffers; ++o) {
    if (Ogg(o).OggPaused && !IsPlaying(static_cast<int16_t>(100 + o))) {
      ogg_.PauseOgg(Ogg(o).OggHandle);  // the same call resumes it
    }
  }
  for (OggSlot& slot : ogg_slots_) slot.OggPaused = false;
}

void Sound::PauseAllMP3Sounds() {
  for (int16_t m = 1; m <= settings_.Mp3Buffers; ++m) {
    const auto handle = static_cast<int16_t>(200 + m);
    if (IsPlaying(handle)) StopPlay(handle);
  }
}

// An MP3 stopped part-way still counts as playing, so only its pause is forgotten here;
// UnpauseOneMP3 resumes it.
void Sound::UnPauseAllMP3Sounds() {
  for (int16_t m = 1; m <= settings_.Mp3Buffers; ++m) {
    Mp3Slot& slot = Mp3(m);
    if (slot.Mp3Paused && !IsPlaying(static_cast<int16_t>(200 + m)) && slot.Mp3Control) {
      slot.Mp3Control->Run();
    }
  }
  for (Mp3Slot& slot : mp3_slots_) slot.Mp3Paused = false;
}

void Sound::UnpauseOneOGG(int16_t Index) {
  if (Index < 101) return;
  OggSlot& slot = Ogg(Index - 100);
  if (slot.OggPaused) {
    ogg_.PauseOgg(slot.OggHandle);
    slot.OggPaused = false;
  }
}

void Sound::UnpauseOneMP3(int16_t Index) {
  if (Index < 201) return;
  Mp3Slot& slot = Mp3(Index - 200);
  if (slot.Mp3Paused && slot.Mp3Control) {
    slot.Mp3Control->Run();
    slot.Mp3Paused = false;
  }
}

}  // namespace veltro::sound
