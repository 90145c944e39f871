// PlaySound: resolves a sound name, finds it among the cached slots or picks a slot for it,
// loads or copies it there and starts it.
#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/platform_error.h"
#include "platform/text.h"
#include "sound/ds_flags.h"
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

// 1 .. count from a random number in [0, 1).
int32_t RandomFrom(double r, int32_t count) {
  int32_t value = static_cast<int32_t>(std::floor(r * count)) + 1;
  return std::clamp(value, 1, std::max(count, 1));
}

}  // namespace

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

// Picks a slot for a new sound, visiting every slot once per pass from the one after `start`:
// an empty slot at once; an idle one whose class is below the pass number (class 3 never).
// Nothing that plays is taken. 0 when four passes find nothing.
int16_t Sound::FindSlot(int16_t start) {
  const int16_t count = std::clamp<int16_t>(settings_.SoundBuffers, 1, kWavSlots);
  // A start of 0 means "begin with slot 1", the same as starting after the last slot.
  if (start < 1 || start > count) start = count;
  NextSlot_ = start;
  for (int pass = 0;;) {
    NextSlot_ = static_cast<int16_t>(NextSlot_ + 1);
    if (NextSlot_ > count) NextSlot_ = 1;
    const WavSlot& slot = wav_slots_[static_cast<size_t>(NextSlot_)];
    bool taken =
        !slot.DSBuffer || (!IsPlaying(NextSlot_) && slot.SlotMode < 3 && slot.SlotMode < pass);
    if (taken) {
      int16_t copy = NextSlot_;
      DeleteSound(copy);
      return NextSlot_;
    }
    if (NextSlot_ == start && ++pass > 3) return 0;
  }
}

int16_t Sound::PlaySound(const std::string& waveFileIn, int16_t& Volume, int32_t& Frequency,
                         int16_t& Pan, int32_t& StartPosition, int16_t& DSFlags) {
  std::string name = waveFileIn;
  if (IsBlank(name)) return 0;

  // "#text" speaks the text; "##text" silences all speech first. The text then goes on as a
  // sound name, which normally names no file.
  if (name[0] == '#') {
    if (name.size() > 1 && name[1] == '#') {
      name = name.substr(2);
      TryStep([&] { speech_.StopSpeakingAll(); });
    } else {
      name = name.substr(1);
    }
    TryStep([&] { speech_.speak(name, 0); });
  }

  if (!ResolveWildcard(name)) return 0;
  if (IsBlank(name)) return 0;
  name = UpperCase(name);

  if (Contains(name, ".MP3")) return PlayMP3Sound(name, Volume, Frequency, Pan, DSFlags);
  if (size_t bang = name.find(".OGG!"); bang != std::string::npos) {
    name.erase(bang + 4);  // decoded into a WAV slot below
  } else if (Contains(name, ".OGG")) {
    return PlayOGGSound(name, Volume, Frequency, Pan, DSFlags);
  }

  const int16_t count = std::clamp<int16_t>(settings_.SoundBuffers, 1, kWavSlots);
  int16_t start = static_cast<int16_t>(RandomFrom(ui_.environment.Random(), count));
  const bool want_3d = Has(DSFlags, kFlag3D);

  // The cache: the first slot holding this name with the same 3D state. An idle slot of class
  // -1 passed on the way moves the search start to itself.
  int16_t found = 0;
  for (int16_t i = 1; i <= count; ++i) {
    const WavSlot& slot = wav_slots_[static_cast<size_t>(i)];
    if (slot.SlotFile == name && want_3d == (slot.DS3DBuffer != nullptr)) {
      found = i;
      NextSlot_ = i;
      break;
    }
    if (slot.SlotMode == -1 && !IsPlaying(i)) start = static_cast<int16_t>(i - 1);
  }

  if (found != 0 && Has(DSFlags, kFlagSingle) && IsPlaying(NextSlot_)) return 0;

  const bool busy = IsPlaying(NextSlot_);
  const bool in_place =
      found != 0 && ((!Has(DSFlags, kFlagCopyIdle) && !busy) || Has(DSFlags, kFlagRestart));

  if (!in_place) {
    if (FindSlot(start) == 0) return 0;
    WavSlot& slot = wav_slots_[static_cast<size_t>(NextSlot_)];
    slot.SlotMode = 0;

    // A cached sound is copied: the copy shares the loaded data and plays on its own.
    bool load = found == 0;
    if (found != 0) {
      auto copy_step = [&load](auto&& action) {
        if (!TryStep(action)) load = true;
      };
      copy_step([&] {
        const WavSlot& source = wav_slots_[static_cast<size_t>(found)];
        if (!source.DSBuffer) throw platform::PlatformError("nothing to copy");
        slot.DSBuffer = Device().DuplicateSoundBuffer(*source.DSBuffer);
      });
      slot.DS3DBuffer.reset();
      if (want_3d) {
        copy_step([&] { slot.DS3DBuffer = Buffer(NextSlot_).GetDirectSound3DBuffer(); });
        copy_step([&] {
          if (!slot.DS3DBuffer) throw platform::PlatformError("no 3D buffer");
          slot.DS3DBuffer->SetMinDistance(100, platform::DS3D_IMMEDIATE);
        });
        if (Has(DSFlags, kFlagOpenCone)) {
          copy_step([&] {
            if (!slot.DS3DBuffer) throw platform::PlatformError("no 3D buffer");
            slot.DS3DBuffer->SetConeAngles(0, 360, platform::DS3D_IMMEDIATE);
          });
        }
      }
    }

    if (load && OpenSound(NextSlot_, name, DSFlags) == 0) return 0;

    if (want_3d) {
      slot.DS3DBuffer.reset();
      TryStep([&] { slot.DS3DBuffer = Buffer(NextSlot_).GetDirectSound3DBuffer(); });
      if (Has(DSFlags, kFlagOpenCone) && slot.DS3DBuffer) {
        TryStep([&] { slot.DS3DBuffer->SetConeAngles(0, 360, platform::DS3D_IMMEDIATE); });
      }
    }
    slot.SlotFile = name;
    slot.SlotMode = ReuseClass(DSFlags);
  }

  WavSlot& slot = wav_slots_[static_cast<size_t>(NextSlot_)];
  if (!slot.DSBuffer) return 0;
  platform::SoundBuffer& buffer = *slot.DSBuffer;
  Volume = ClampWavVolume(Volume);
  TryStep([&] { buffer.SetVolume(Volume); });
  if (!want_3d) TryStep([&] { buffer.SetPan(Pan); });
  if (Frequency > 0) TryStep([&] { buffer.SetFrequency(Frequency); });
  StartPosition = AlignStartPosition(StartPosition);
  TryStep([&] { buffer.SetCurrentPosition(StartPosition); });
  if (Has(DSFlags, kFlagPrepare)) return NextSlot_;
  TryStep([&] { buffer.Play(Has(DSFlags, kFlagLoop) ? platform::DSBPLAY_LOOPING : 0); });
  return NextSlot_;
}

}  // namespace veltro::sound
