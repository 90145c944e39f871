// SPDX-License-Identifier: GPL-3.0-or-later
// The stream side of every operation that takes a handle: each is given an OGG or MP3 handle, and
// throws PlatformError when it names no stream slot; the caller decides whether that failure is
// skipped.
#include "platform/base/platform_error.h"
#include "sound/sound.h"
#include "sound/sound_units.h"

namespace veltro::sound {

platform::FilgraphManager& Sound::Graph(Mp3Slot& slot) {
  if (!slot.Mp3Control) throw platform::PlatformError("the MP3 slot has no player");
  return *slot.Mp3Control;
}

bool Sound::StreamIsPlaying(Handle handle) {
  if (handle.kind == HandleKind::kMp3) {
    // A stopped MP3 that has not reached its end still counts as playing.
    Mp3Slot& slot = Mp3(handle.slot);
    return slot.Mp3Control && slot.Mp3Position &&
           slot.Mp3Position->CurrentPosition() < slot.Mp3Position->StopTime();
  }
  const OggSlot& slot = Ogg(handle.slot);
  return slot.OggHandle != 0 && ogg_.OggIsPlaying(slot.OggHandle) != 0;
}

// A stopped stream is marked paused; stopping a paused OGG stream resumes it (the library's
// pause call toggles), and it stays marked paused.
void Sound::StopStream(Handle handle) {
  if (handle.kind == HandleKind::kMp3) {
    Mp3Slot& slot = Mp3(handle.slot);
    if (slot.Mp3Control) {
      slot.Mp3Control->Stop();
      slot.Mp3Paused = true;
    }
    return;
  }
  OggSlot& slot = Ogg(handle.slot);
  if (slot.OggHandle != 0) {
    ogg_.PauseOgg(slot.OggHandle);
    slot.OggPaused = true;
  }
}

// Streams stay stopped or paused until they are resumed. An MP3 position is in seconds; an OGG
// position is a byte offset into the decoded sound, given with the slot's own stream handle.
void Sound::MoveStream(Handle handle, int32_t StartPosition) {
  if (handle.kind == HandleKind::kMp3) {
    Mp3Slot& slot = Mp3(handle.slot);
    if (slot.Mp3Position) slot.Mp3Position->SetCurrentPosition(StartPosition);
    return;
  }
  const OggSlot& slot = Ogg(handle.slot);
  if (slot.OggHandle != 0) ogg_.OggSetPosition(slot.OggHandle, StartPosition);
}

void Sound::SetStreamVolume(Handle handle, int16_t Volume) {
  if (handle.kind == HandleKind::kMp3) {
    Mp3Slot& slot = Mp3(handle.slot);
    if (slot.Mp3Control && slot.Mp3Audio) slot.Mp3Audio->SetVolume(Volume);
    return;
  }
  const OggSlot& slot = Ogg(handle.slot);
  if (slot.OggHandle != 0) ogg_.SetVolumeOfOgg(OggLevel(Volume), slot.OggHandle);
}

void Sound::SetStreamPan(Handle handle, int16_t Pan) {
  const int16_t pan = ClampStreamPan(Pan);
  if (handle.kind == HandleKind::kMp3) {
    Mp3Slot& slot = Mp3(handle.slot);
    if (slot.Mp3Control && slot.Mp3Audio) slot.Mp3Audio->SetBalance(pan);
    return;
  }
  const OggSlot& slot = Ogg(handle.slot);
  if (slot.OggHandle != 0) ogg_.SetPanOfOgg(OggPan(pan), slot.OggHandle);
}

void Sound::SetStreamFrequency(Handle handle, int32_t Frequency) {
  if (handle.kind == HandleKind::kMp3) {
    Mp3Slot& slot = Mp3(handle.slot);
    if (slot.Mp3Position) slot.Mp3Position->SetRate(Mp3Rate(Frequency));
    return;
  }
  const OggSlot& slot = Ogg(handle.slot);
  if (slot.OggHandle != 0) ogg_.SetFrequencyOfOgg(Frequency, slot.OggHandle);
}

void Sound::DeleteStream(Handle handle) {
  if (handle.kind == HandleKind::kMp3) {
    Mp3Slot& slot = Mp3(handle.slot);
    if (slot.Mp3Control) platform::TryStep([&] { slot.Mp3Control->Stop(); });
    slot.Mp3Control.reset();
    slot.Mp3Audio.reset();
    slot.Mp3Position.reset();
    return;
  }
  StopOggStream(handle.slot);
  Ogg(handle.slot).OggHandle = 0;
  ArmTimer1();
}

// Stops an OGG slot's stream and clears its pause; the handle stays in the slot. A library that
// fails to stop the stream still leaves the slot released.
void Sound::StopOggStream(int32_t o) {
  OggSlot& slot = Ogg(o);
  if (slot.OggHandle != 0) {
    platform::TryStep([&] { ogg_.StopOgg(slot.OggHandle); });
    slot.OggPaused = false;
  }
}

}  // namespace veltro::sound
