// SPDX-License-Identifier: GPL-3.0-or-later
// PlaySound: resolves a sound name, finds it among the cached slots or picks a slot for it,
// loads or copies it there and starts it.
#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/base/platform_error.h"
#include "platform/base/text.h"
#include "sound/reuse_class.h"
#include "sound/sound.h"
#include "sound/sound_units.h"

namespace veltro::sound {
namespace {

using platform::IsBlank;
using platform::TryStep;
using platform::UpperCase;

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

int16_t Sound::PlaySound(const std::string& waveFileIn, int16_t& Volume, int32_t& Frequency,
                         int16_t& Pan, int32_t& StartPosition, int16_t& DSFlags) {
  std::string name = waveFileIn;
  if (IsBlank(name)) return 0;
  SpeakMarkedText(name);
  if (!ResolveWildcard(name)) return 0;
  if (IsBlank(name)) return 0;
  name = UpperCase(name);

  if (Contains(name, ".MP3")) return PlayMP3Sound(name, Volume, Frequency, Pan, DSFlags);
  if (size_t bang = name.find(".OGG!"); bang != std::string::npos) {
    name.erase(bang + 4);  // decoded into a WAV slot below
  } else if (Contains(name, ".OGG")) {
    return PlayOGGSound(name, Volume, Frequency, Pan, DSFlags);
  }

  // A cached sound plays in its own slot when it is idle (or must restart); otherwise it is
  // copied to another slot, and a sound not yet cached is loaded into one.
  const CacheSearch cached = FindCached(name, Has(DSFlags, platform::kFlag3D));
  if (cached.found != 0 && Has(DSFlags, platform::kFlagSingle) && IsPlaying(NextSlot_)) return 0;
  const bool busy = IsPlaying(NextSlot_);
  const bool in_place = cached.found != 0 && ((!Has(DSFlags, platform::kFlagCopyIdle) && !busy) ||
                                              Has(DSFlags, platform::kFlagRestart));
  if (!in_place && !FillNewSlot(name, cached, DSFlags)) return 0;
  return StartSlot(Volume, Frequency, Pan, StartPosition, DSFlags);
}

// "#text" speaks the text; "##text" silences all speech first. The text then goes on as a
// sound name, which normally names no file.
void Sound::SpeakMarkedText(std::string& name) {
  if (name[0] != '#') return;
  if (name.size() > 1 && name[1] == '#') {
    name = name.substr(2);
    TryStep([&] { speech_.StopSpeakingAll(); });
  } else {
    name = name.substr(1);
  }
  TryStep([&] { speech_.speak(name, 0); });
}

// "NAME*3.WAV" becomes NAME1.WAV, NAME2.WAV or NAME3.WAV at random. Digits up to the end of the
// name leave it as it is. False (after the message) when the asterisk has no 1- to 3-digit
// number after it.
bool Sound::ResolveWildcard(std::string& name) {
  size_t star = name.find('*');
  if (star == std::string::npos) return true;
  size_t after = star + 1;
  size_t end = after;
  while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end]))) ++end;
  if (end == name.size()) return true;
  size_t digits = end - after;
  if (digits < 1 || digits > 3) {
    ui_.dialogs.MessageBox(
        "Wildcard wave file must have 1 to 3 digit number after asterisk. File: " + name,
        "Error in PlaySound", platform::MessageBoxIcon::kNone, platform::MessageBoxButtons::kOk);
    return false;
  }
  int32_t variants = std::stoi(name.substr(after, digits));
  int32_t pick = static_cast<int32_t>(std::floor(ui_.environment.Random() * variants + 1));
  pick = std::clamp(pick, 1, std::max(variants, 1));
  name = name.substr(0, star) + std::to_string(pick) + name.substr(end);
  return true;
}

// Puts the sound into a slot FindSlot picks: a copy of the cached one, or loaded from its file
// when there is none or the copy fails. False when no slot is free or the file cannot be loaded.
bool Sound::FillNewSlot(const std::string& name, const CacheSearch& cached, int16_t DSFlags) {
  if (FindSlot(cached.start) == 0) return false;
  WavSlot& slot = wav_slots_[static_cast<size_t>(NextSlot_)];
  slot.SlotMode = 0;
  bool load = cached.found == 0 || !CopyCached(cached.found, slot, DSFlags);
  if (load && OpenSound(NextSlot_, name, DSFlags) == 0) return false;

  if (Has(DSFlags, platform::kFlag3D)) {
    slot.DS3DBuffer.reset();
    TryStep([&] { slot.DS3DBuffer = Buffer(NextSlot_).GetDirectSound3DBuffer(); });
    if (Has(DSFlags, platform::kFlagOpenCone) && slot.DS3DBuffer) {
      TryStep([&] { slot.DS3DBuffer->SetConeAngles(0, 360, platform::DS3D_IMMEDIATE); });
    }
  }
  slot.SlotFile = name;
  slot.SlotMode = ReuseClass(DSFlags);
  return true;
}

// The copy shares the loaded data and plays on its own. Every step is tried; false when any
// failed. The source may be gone: FindSlot may have emptied that very slot.
bool Sound::CopyCached(int16_t found, WavSlot& slot, int16_t DSFlags) {
  bool ok = true;
  auto step = [&ok](auto&& action) {
    if (!TryStep(action)) ok = false;
  };
  const WavSlot& source = wav_slots_[static_cast<size_t>(found)];
  if (source.DSBuffer) {
    step([&] { slot.DSBuffer = Device().DuplicateSoundBuffer(*source.DSBuffer); });
  } else {
    ok = false;
  }
  slot.DS3DBuffer.reset();
  if (!Has(DSFlags, platform::kFlag3D)) return ok;

  if (slot.DSBuffer) step([&] { slot.DS3DBuffer = slot.DSBuffer->GetDirectSound3DBuffer(); });
  if (!slot.DS3DBuffer) return false;
  step([&] { slot.DS3DBuffer->SetMinDistance(100, platform::DS3D_IMMEDIATE); });
  if (Has(DSFlags, platform::kFlagOpenCone)) {
    step([&] { slot.DS3DBuffer->SetConeAngles(0, 360, platform::DS3D_IMMEDIATE); });
  }
  return ok;
}

// Sets NextSlot_'s volume, pan, frequency and position and starts it unless it is only being
// prepared. The caller's Volume and StartPosition take the values the buffer was given.
int16_t Sound::StartSlot(int16_t& Volume, int32_t& Frequency, int16_t& Pan, int32_t& StartPosition,
                         int16_t DSFlags) {
  WavSlot& slot = wav_slots_[static_cast<size_t>(NextSlot_)];
  if (!slot.DSBuffer) return 0;
  platform::SoundBuffer& buffer = *slot.DSBuffer;
  Volume = ClampWavVolume(Volume);
  TryStep([&] { buffer.SetVolume(Volume); });
  if (!Has(DSFlags, platform::kFlag3D)) TryStep([&] { buffer.SetPan(Pan); });
  if (Frequency > 0) TryStep([&] { buffer.SetFrequency(Frequency); });
  StartPosition = AlignStartPosition(StartPosition);
  TryStep([&] { buffer.SetCurrentPosition(StartPosition); });
  if (Has(DSFlags, platform::kFlagPrepare)) return NextSlot_;
  TryStep([&] { buffer.Play(Has(DSFlags, platform::kFlagLoop) ? platform::DSBPLAY_LOOPING : 0); });
  return NextSlot_;
}

}  // namespace veltro::sound
