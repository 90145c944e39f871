// SPDX-License-Identifier: GPL-3.0-or-later
// A sound file of arbitrary bytes loaded into a WAV slot by OpenSound, as a WAV file (straight to
// the device) or as an OGG file (decoded whole by the OGG library), then played.
//
// Input: one byte of options, then the file.
//   bit 0   the name ends in .OGG (else .WAV)
//   bit 1   a 3D sound
//   bit 2   played looping
//   bits 3-7  where playing starts, in 32nds of the sound
#include "headless_engine.h"
#include "platform/audio/play_flags.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t options = data[0];
  const bool ogg = (options & 1) != 0;
  int16_t flags = 0;
  if ((options & 2) != 0) flags |= veltro::platform::kFlag3D;
  if ((options & 4) != 0) flags |= veltro::platform::kFlagLoop;
  veltro::fuzz::TheFolder().Write(ogg ? "fuzz.ogg" : "fuzz.wav", data + 1, size - 1);

  veltro::fuzz::HeadlessEngine engine;
  veltro::sound::Sound& sound = engine.sound;
  sound.DSInit();
  if (sound.OpenSound(1, ogg ? "FUZZ.OGG" : "FUZZ.WAV", flags) == 0) return 0;

  // A slot that loaded holds a whole sound in a format the device accepted.
  const veltro::sound::WavSlot& slot = sound.WavSlotAt(1);
  if (!slot.DSBuffer || slot.DSBuffer->bytes() <= 0) abort();
  int32_t start = static_cast<int32_t>(int64_t{slot.DSBuffer->bytes()} * (options >> 3) / 32);
  sound.PlayOpenedSound(1, start, flags);
  engine.clock.Advance(0.05);
  int32_t frequency = 11025;
  sound.SetFrequency(1, frequency);
  sound.SetVolume(1, -500);
  sound.SetPan(1, 300);
  sound.SetPosition(1, 1.0f, 2.0f, 0.5f, 0);
  engine.clock.Advance(1.0);
  sound.IsPlaying(1);
  int16_t handle = 1;
  sound.DeleteSound(handle);
  return 0;
}
