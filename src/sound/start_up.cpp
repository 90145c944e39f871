// SPDX-License-Identifier: GPL-3.0-or-later
// Sound::DSInit, the start-up of the sound engine: the settings from sounds.ini, the stream slots,
// the sound device and the OGG library, and the 10 ms tick that pumps that library.
#include <algorithm>

#include "platform/base/platform_error.h"
#include "sound/sound.h"

namespace veltro::sound {

using platform::TryStep;

void Sound::DSInit() {
  QuietErrors_ = true;
  ReadSoundsIni();
  CreateStreamSlots();
  OpenDevice();
  StartOggLibrary();
}

void Sound::ReadSoundsIni() {
  settings_.SoundBuffers = 30;
  settings_.OggBuffers = 20;
  settings_.Mp3Buffers = 20;
  // A missing or unreadable file leaves the defaults, silently.
  TryStep([&] {
    for (const std::string& line : ui_.environment.ReadLines(AppPath + "sounds.ini")) {
      ProcessSoundsIniLine(line, settings_, ui_.dialogs);
    }
  });
}

void Sound::CreateStreamSlots() {
  // Entry 0 always exists; a count of 0 or less leaves no usable slot. Whatever the old slots
  // held is dropped.
  ogg_slots_.assign(static_cast<size_t>(std::max<int16_t>(settings_.OggBuffers, 0)) + 1, {});
  mp3_slots_.assign(static_cast<size_t>(std::max<int16_t>(settings_.Mp3Buffers, 0)) + 1, {});
}

void Sound::OpenDevice() {
  // Every failing step is reported and set-up goes on; a step that needs an object an earlier
  // step could not make fails too, so a machine without a device hears the message per step.
  auto step = [this](auto&& action) {
    if (!TryStep(action)) {
      ui_.dialogs.MessageBox("Unable to initialize DirectSound - sound card may not be present",
                             "Error", platform::MessageBoxIcon::kNone,
                             platform::MessageBoxButtons::kOk);
    }
  };
  auto primary = [this]() -> platform::PrimarySoundBuffer& {
    if (!PrimaryBuffer) throw platform::PlatformError("no primary buffer");
    return *PrimaryBuffer;
  };
  auto listener = [this]() -> platform::SoundListener& {
    if (!Listener) throw platform::PlatformError("no 3D listener");
    return *Listener;
  };

  step([&] { DS = dx_.DirectSoundCreate(""); });
  step([&] { Device().SetCooperativeLevel(platform::DSSCL_PRIORITY); });
  step([&] {
    PrimaryDesc = {};
    PrimaryDesc.Flags = platform::DSBCAPS_PRIMARYBUFFER + platform::DSBCAPS_CTRL3D;
    PrimaryBuffer = Device().CreatePrimaryBuffer(PrimaryDesc);
  });
  step([&] { primary().Play(platform::DSBPLAY_LOOPING); });
  step([&] {
    platform::WaveFormat format;  // PCM, 2 channels, 22050 Hz, 16 bits
    format.BlockAlign = static_cast<int16_t>(format.BitsPerSample / 8 * format.Channels);
    format.AvgBytesPerSec = format.SamplesPerSec * format.BlockAlign;
    primary().SetFormat(format);
  });
  step([&] { Listener = primary().GetDirectSound3DListener(); });
  step([&] { listener().SetRolloffFactor(1.0f, platform::DS3D_IMMEDIATE); });
  step([&] { listener().SetDistanceFactor(3.4f, platform::DS3D_IMMEDIATE); });
}

void Sound::StartOggLibrary() {
  // The timer counts as enabled exactly when the library started; other operations read it that
  // way.
  // There is no native window here, so the library gets 0 for the window handle.
  int32_t ready = 0;
  TryStep([&] { ready = ogg_.InitOgg(0, 0); });
  ogg_started_ = ready != 0;
  Timer1Enabled_ = ogg_started_;
  ArmTimer1();
  if (ogg_started_) TryStep([&] { ogg_.SetOggBufferSize(5); });
}

void Sound::ArmTimer1() {
  const bool stream_open = std::any_of(ogg_slots_.begin(), ogg_slots_.end(),
                                       [](const OggSlot& slot) { return slot.OggHandle != 0; });
  Timer1_->SetEnabled(Timer1Enabled_ && ogg_started_ && stream_open);
}

void Sound::Timer1_Timer() {
  // A tick can arrive before the library started (while a start-up message box is open) or after
  // it was shut down; the library is pumped only while it runs.
  if (ogg_started_) ogg_.UpdateOgg();
}

}  // namespace veltro::sound
