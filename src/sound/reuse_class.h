// SPDX-License-Identifier: GPL-3.0-or-later
// How the engine reads the play flags (platform/audio/play_flags.h): a bit test, and the reuse
// class a slot gets from them.
#pragma once

#include <cstdint>

#include "platform/audio/play_flags.h"

namespace veltro::sound {

inline bool Has(int16_t flags, int16_t bit) {
  return (flags & bit) != 0;
}

// The reuse class a slot gets from DSFlags: the first of bits 2, 64, 128, 256 that is set wins.
inline int16_t ReuseClass(int16_t flags) {
  if (Has(flags, platform::kFlagKeep)) return 3;
  if (Has(flags, platform::kFlagClass2)) return 2;
  if (Has(flags, platform::kFlagClass1)) return 1;
  if (Has(flags, platform::kFlagEvictFirst)) return -1;
  return 0;
}

}  // namespace veltro::sound
