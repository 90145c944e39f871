// SPDX-License-Identifier: GPL-3.0-or-later
// Pausing and resuming streams, all of a kind or one. Failures reach the caller: a handle that
// names no slot is the caller's error.
#include <string>

#include "platform/base/platform_error.h"
#include "sound/sound.h"

namespace veltro::sound {

void Sound::PauseAllOGGSounds() {
  for (int16_t o = 1; o <= settings_.OggBuffers; ++o) {
    const int16_t handle = OggHandleOf(o);
    if (IsPlaying(handle)) StopPlay(handle);
  }
}

// Resumes what a pause stopped, then forgets every pause.
void Sound::UnPauseAllOGGSounds() {
  for (int16_t o = 1; o <= settings_.OggBuffers; ++o) {
    if (Ogg(o).OggPaused && !IsPlaying(OggHandleOf(o))) {
      ogg_.PauseOgg(Ogg(o).OggHandle);  // the same call resumes it
    }
  }
  for (OggSlot& slot : ogg_slots_) slot.OggPaused = false;
}

void Sound::PauseAllMP3Sounds() {
  for (int16_t m = 1; m <= settings_.Mp3Buffers; ++m) {
    const int16_t handle = Mp3HandleOf(m);
    if (IsPlaying(handle)) StopPlay(handle);
  }
}

// An MP3 stopped part-way still counts as playing, so only its pause is forgotten here;
// UnpauseOneMP3 resumes it.
void Sound::UnPauseAllMP3Sounds() {
  for (int16_t m = 1; m <= settings_.Mp3Buffers; ++m) {
    Mp3Slot& slot = Mp3(m);
    if (slot.Mp3Paused && !IsPlaying(Mp3HandleOf(m)) && slot.Mp3Control) {
      slot.Mp3Control->Run();
    }
  }
  for (Mp3Slot& slot : mp3_slots_) slot.Mp3Paused = false;
}

// A WAV handle is ignored; an MP3 handle names no OGG slot, the caller's error.
void Sound::UnpauseOneOGG(int16_t Index) {
  const Handle handle = DecodeHandle(Index);
  if (handle.kind == HandleKind::kWav) return;
  if (handle.kind == HandleKind::kMp3) {
    throw platform::PlatformError("handle " + std::to_string(Index) + " names no OGG slot");
  }
  OggSlot& slot = Ogg(handle.slot);
  if (slot.OggPaused) {
    ogg_.PauseOgg(slot.OggHandle);
    slot.OggPaused = false;
  }
}

// A WAV or OGG handle is ignored.
void Sound::UnpauseOneMP3(int16_t Index) {
  const Handle handle = DecodeHandle(Index);
  if (handle.kind != HandleKind::kMp3) return;
  Mp3Slot& slot = Mp3(handle.slot);
  if (slot.Mp3Paused && slot.Mp3Control) {
    slot.Mp3Control->Run();
    slot.Mp3Paused = false;
  }
}

}  // namespace veltro::sound
