// SPDX-License-Identifier: GPL-3.0-or-later
// Giving back what the engine holds: one sound, every stream, the whole device, or everything
// at the end of the program.
#include "platform/base/platform_error.h"
#include "sound/sound.h"

namespace veltro::sound {

using platform::TryStep;

// Each step that fails (no such slot, nothing in it) is skipped; the handle variable becomes 0.
void Sound::DeleteSound(int16_t& Index) {
  if (Index == 0 || Index == 999) return;
  if (Index > 100) {
    TryStep([&] { DeleteStream(Index); });
  } else {
    TryStep([&] {
      WavSlot& slot = Wav(Index);
      slot.SlotFile.clear();
      slot.SlotMode = 0;
      if (slot.DSBuffer) TryStep([&] { slot.DSBuffer->Stop(); });
      slot.DS3DBuffer.reset();
      slot.DSBuffer.reset();
    });
  }
  Index = 0;
}

// As DeleteSound, except that every handle above 100 is taken as an OGG slot whose stream is
// stopped but whose handle is kept.
void Sound::DeleteSound2(int16_t& Index) {
  if (Index <= 100) {
    DeleteSound(Index);
    return;
  }
  if (Index == 999) return;
  TryStep([&] { StopOggStream(Index); });
  Index = 0;
}

void Sound::KillAllSounds() {
  for (int16_t k = 1; k <= settings_.OggBuffers; ++k) {
    int16_t handle = static_cast<int16_t>(100 + k);
    DeleteSound(handle);
  }
  for (int16_t k = 1; k <= settings_.Mp3Buffers; ++k) {
    int16_t handle = static_cast<int16_t>(200 + k);
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
