// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's home: construction, destruction and checked access to its tables and device
// objects. A handle that names no entry, or an object that was never made, is a failing step
// like any refused device call.
#include "sound/sound.h"

#include "platform/base/platform_error.h"

namespace veltro::sound {

using platform::PlatformError;

Sound::Sound(const platform::UserInterface& ui, platform::SoundSystem& dx,
             platform::OggLibrary& ogg, platform::DirectShow& direct_show, SoundSpeech& speech,
             const std::string& AppPath)
    : ui_(ui), dx_(dx), ogg_(ogg), direct_show_(direct_show), speech_(speech), AppPath(AppPath) {
  // The timer is enabled from the start; it fires once a stream is open (ArmTimer1).
  Timer1_ = ui_.events.CreateTimer([this] { Timer1_Timer(); });
  Timer1_->SetInterval(10);
}

Sound::~Sound() = default;

WavSlot& Sound::Wav(int32_t i) {
  if (i < 0 || i > kWavSlots) throw PlatformError("no WAV slot " + std::to_string(i));
  return wav_slots_[static_cast<size_t>(i)];
}

const WavSlot& Sound::WavSlotAt(int16_t i) const {
  if (i < 0 || i > kWavSlots) throw PlatformError("no WAV slot " + std::to_string(i));
  return wav_slots_[static_cast<size_t>(i)];
}

OggSlot& Sound::Ogg(int32_t o) {
  if (o < 0 || static_cast<size_t>(o) >= ogg_slots_.size()) {
    throw PlatformError("no OGG slot " + std::to_string(o));
  }
  return ogg_slots_[static_cast<size_t>(o)];
}

Mp3Slot& Sound::Mp3(int32_t m) {
  if (m < 0 || static_cast<size_t>(m) >= mp3_slots_.size()) {
    throw PlatformError("no MP3 slot " + std::to_string(m));
  }
  return mp3_slots_[static_cast<size_t>(m)];
}

platform::SoundDevice& Sound::Device() {
  if (!DS) throw PlatformError("no sound device");
  return *DS;
}

platform::SoundBuffer& Sound::Buffer(int32_t i) {
  WavSlot& slot = Wav(i);
  if (!slot.DSBuffer) throw PlatformError("WAV slot " + std::to_string(i) + " is empty");
  return *slot.DSBuffer;
}

}  // namespace veltro::sound
