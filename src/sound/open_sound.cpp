// SPDX-License-Identifier: GPL-3.0-or-later
// Loading one sound file into one WAV slot: WAV files straight from the device, OGG files
// decoded in full by the OGG library and written into a buffer of their own size.
#include <vector>

#include "platform/base/platform_error.h"
#include "sound/reuse_class.h"
#include "sound/sound.h"

namespace veltro::sound {
namespace {

using platform::TryStep;

constexpr int32_t kMaxSampleRate = 768000;

int32_t CreationFlags(int16_t DSFlags, bool software) {
  int32_t flags = platform::DSBCAPS_CTRLVOLUME + platform::DSBCAPS_CTRLFREQUENCY;
  if (Has(DSFlags, platform::kFlag3D)) {
    flags += platform::DSBCAPS_CTRL3D;
  } else {
    flags += platform::DSBCAPS_CTRLPAN;
    if (!Has(DSFlags, platform::kFlagNotStatic)) flags += platform::DSBCAPS_STATIC;
    if (Has(DSFlags, platform::kFlagGlobalFocus)) flags += platform::DSBCAPS_GLOBALFOCUS;
  }
  if (software) flags += platform::DSBCAPS_LOCSOFTWARE;
  return flags;
}

// Every buffer gets the default 3D algorithm: the quality level for 3D sounds is fixed at 0.
std::string Algorithm3D(int quality) {
  if (quality == 3) return "DS3DALG_HRTF_FULL";
  if (quality == 2) return "DS3DALG_HRTF_LIGHT";
  return "DS3DALG_DEFAULT";
}

}  // namespace

// A name that begins with "/" is a full path on this platform, as is one with a drive colon or
// a leading backslash; any other name lies in the program's folder.
std::string Sound::FullName(const std::string& name) const {
  bool full = name.find(':') != std::string::npos || (!name.empty() && name[0] == '\\') ||
              (!name.empty() && name[0] == '/');
  return full ? name : AppPath + name;
}

int32_t Sound::OpenSound(int16_t i, const std::string& WaveFile, int16_t DSFlags) {
  if (i < 0 || i > kWavSlots) return 0;
  WavSlot& slot = wav_slots_[static_cast<size_t>(i)];
  bool is_ogg = WaveFile.find(".OGG") != std::string::npos;
  // Sound names arrive in upper case while file names here are case-sensitive: the look-up
  // ignores letter case and gives the name as it is on disk.
  std::string full;
  TryStep([&] { full = ui_.environment.FindFile(FullName(WaveFile)).value_or(""); });
  if (full.empty()) return 0;

  bool ok = true;
  auto step = [&ok](auto&& action) {
    if (!TryStep(action)) ok = false;
  };

  slot.DSBuffer.reset();
  slot.DS3DBuffer.reset();  // an empty slot has no 3D interface either
  slot.BufferDesc.Flags = CreationFlags(DSFlags, settings_.SoftwareBuffers);

  if (is_ogg) {
    int32_t size = 0, channels = 0, rate = 0;
    std::vector<uint8_t> data(1);
    int32_t decoded = 0;
    step([&] { ogg_.DecodeOggFileToBuffer(full, data, size, channels, rate); });
    // These are the decoder's claims; impossible ones, and sounds larger than any buffer, are
    // refused before anything is allocated or multiplied.
    if (!ok || size <= 0 || size > platform::kMaxDecodedAudioBytes || channels < 1 ||
        channels > 8 || rate <= 0 || rate > kMaxSampleRate) {
      return 0;
    }
    data.assign(static_cast<size_t>(size) + 1, 0);
    step([&] { decoded = ogg_.DecodeOggFileToBuffer(full, data, size, channels, rate); });
    if (decoded == 0 || size <= 0 || static_cast<size_t>(size) >= data.size()) return 0;

    slot.WaveFormat = platform::Pcm16Format(channels, rate);
    slot.BufferDesc.Format = slot.WaveFormat;
    slot.BufferDesc.Algorithm3D = Algorithm3D(0);
    slot.BufferDesc.BufferBytes = size;
    step([&] { slot.DSBuffer = Device().CreateSoundBuffer(slot.BufferDesc); });
    step([&] { Buffer(i).WriteBuffer(0, size, data.data(), platform::DSBLOCK_ENTIREBUFFER); });
  } else {
    slot.WaveFormat = platform::Pcm16Format(2, 22050);
    slot.BufferDesc.Algorithm3D = Algorithm3D(0);
    step([&] { slot.DSBuffer = Device().CreateSoundBufferFromFile(full, slot.BufferDesc); });
    step([&] { slot.WaveFormat = Buffer(i).GetFormat(); });
    if (Has(DSFlags, platform::kFlag3D) && slot.WaveFormat.Channels == 2) {
      ui_.dialogs.MessageBox(
          WaveFile + " will not play.  Trying to use a stereo sound in a 3D buffer.", "Warning ",
          platform::MessageBoxIcon::kInformation, platform::MessageBoxButtons::kOk);
    }
  }

  slot.DS3DBuffer.reset();
  // A buffer that could not be filled is not kept: the slot holds a whole sound or nothing.
  if (!ok) slot.DSBuffer.reset();
  return ok ? 1 : 0;
}

}  // namespace veltro::sound
