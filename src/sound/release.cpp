// SPDX-License-Identifier: GPL-3.0-or-later
// Giving back what the engine holds: one sound, every stream, the whole device, or everything
// at the end of the program.
#include "platform/base/platform_error.h"
#include "sound/sound.h"

namespace veltro::sound {

using platform::TryStep;

// Each step that fails (no such slot, nothing in it) is skipped; the handle variable becomes 0.
void Sound::DeleteSound(int16_t& Index) {
  if (Index == 0 || Index == kNeverDeleted) return;
  const Handle handle = DecodeHandle(Index);
  if (handle.kind != HandleKind::kWav) {
    TryStep([&] { DeleteStream(handle); });
  } else {
    TryStep([&] {
      WavSlot& slot = Wav(handle.slot);
      slot.SlotFile.clear();
      slot.SlotMode = 0;
      if (slot.DSBuffer) TryStep([&] { slot.DSBuffer->Stop(); });
      slot.DS3DBuffer.reset();
      slot.DSBuffer.reset();
    });
  }
  Index = 0;
}

// As DeleteSound for WAV handles, 0 and kNeverDeleted. An OGG slot's stream is stopped but its
// handle is kept in the slot. An MP3 handle (or one above 300) is only forgotten: its stream plays
// on.
void Sound::DeleteSound2(int16_t& Index) {
  const Handle handle = DecodeHandle(Index);
  if (handle.kind == HandleKind::kWav) {
    DeleteSound(Index);
    return;
  }
  if (Index == kNeverDeleted) return;
  if (handle.kind == HandleKind::kOgg) TryStep([&] { StopOggStream(handle.slot); });
  Index = 0;
}

void Sound::KillAllSounds() {
  for (int16_t k = 1; k <= settings_.OggBuffers; ++k) {
    int16_t handle = OggHandleOf(k);
    DeleteSound(handle);
  }
  for (int16_t k = 1; k <= settings_.Mp3Buffers; ++k) {
    int16_t handle = Mp3HandleOf(k);
    DeleteSound(handle);
  }
}

// Failures here reach the caller. The WAV slots keep their buffers.
void Sound::ResetSounds() {
  KillAllSounds();
  DS.reset();
  PrimaryBuffer.reset();
  Listener.reset();
  if (Timer1Enabled_) {
    ogg_started_ = false;
    ogg_.ShutdownOgg();
  }
  DSInit();
}

void Sound::ShutdownForm1() {
  ogg_started_ = false;
  ArmTimer1();
  TryStep([&] { ogg_.ShutdownOgg(); });
  for (int16_t k = 1; k <= settings_.SoundBuffers && k <= kWavSlots; ++k) {
    int16_t slot = k;
    DeleteSound(slot);
  }
  // Let events already queued run once before the program ends.
  ui_.events.DoEvents();
}

void Sound::Form_Unload() {
  ShutdownForm1();
  ui_.events.EndProgram();
}

void Sound::DirectXEvent8_DXCallback(int32_t) {
  // The engine creates no DirectX events.
}

}  // namespace veltro::sound
