// SPDX-License-Identifier: GPL-3.0-or-later
// Where a WAV sound goes: the cache search for a slot that already holds it, and the choice of
// a slot for a sound that must be loaded or copied.
#include <algorithm>
#include <cmath>

#include "sound/sound.h"

namespace veltro::sound {
namespace {

// 1 .. count from a random number in [0, 1).
int32_t RandomFrom(double r, int32_t count) {
  int32_t value = static_cast<int32_t>(std::floor(r * count)) + 1;
  return std::clamp(value, 1, std::max(count, 1));
}

}  // namespace

int16_t Sound::SlotCount() const {
  return std::clamp<int16_t>(settings_.SoundBuffers, 1, kWavSlots);
}

// The first slot holding `name` with the same 3D state becomes NextSlot_. The search for a new
// slot starts at random; an idle slot of class -1 passed on the way moves that start to itself.
Sound::CacheSearch Sound::FindCached(const std::string& name, bool want_3d) {
  const int16_t count = SlotCount();
  CacheSearch search;
  search.start = static_cast<int16_t>(RandomFrom(ui_.environment.Random(), count));
  for (int16_t i = 1; i <= count; ++i) {
    const WavSlot& slot = wav_slots_[static_cast<size_t>(i)];
    if (slot.SlotFile == name && want_3d == (slot.DS3DBuffer != nullptr)) {
      search.found = i;
      NextSlot_ = i;
      return search;
    }
    if (slot.SlotMode == -1 && !IsPlaying(i)) search.start = static_cast<int16_t>(i - 1);
  }
  return search;
}

// Picks a slot for a new sound, visiting every slot once per pass from the one after `start`:
// an empty slot at once; an idle one whose class is below the pass number (class 3 never).
// Nothing that plays is taken. 0 when four passes find nothing.
int16_t Sound::FindSlot(int16_t start) {
  const int16_t count = SlotCount();
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

}  // namespace veltro::sound
