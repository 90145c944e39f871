// SPDX-License-Identifier: GPL-3.0-or-later
// The play flags: the bits of the DSFlags word.
#pragma once

#include <cstdint>

namespace veltro::sound {

// Bits of the DSFlags option word that PlaySound, OpenSound and the stream starters take.
constexpr int16_t kFlagCopyIdle = 1;        // play an idle cached sound from a fresh copy
constexpr int16_t kFlagKeep = 2;            // reuse class 3: never evicted
constexpr int16_t kFlagPrepare = 4;         // return the handle without starting the sound
constexpr int16_t kFlagLoop = 8;            // loop until stopped
constexpr int16_t kFlagRestart = 32;        // restart the cached buffer even while it plays
constexpr int16_t kFlagClass2 = 64;         // reuse class 2
constexpr int16_t kFlagClass1 = 128;        // reuse class 1
constexpr int16_t kFlagEvictFirst = 256;    // reuse class -1
constexpr int16_t kFlagNotStatic = 512;     // do not ask for a static buffer
constexpr int16_t kFlag3D = 1024;           // 3D sound
constexpr int16_t kFlagSingle = 2048;       // start nothing while the cached sound plays
constexpr int16_t kFlagOpenCone = 4096;     // 3D cone: 0 degrees inside, 360 outside
constexpr int16_t kFlagGlobalFocus = 8192;  // keep playing without the window's focus

inline bool Has(int16_t flags, int16_t bit) {
  return (flags & bit) != 0;
}

// The reuse class a slot gets from DSFlags: the first of bits 2, 64, 128, 256 that is set wins.
inline int16_t ReuseClass(int16_t flags) {
  if (Has(flags, kFlagKeep)) return 3;
  if (Has(flags, kFlagClass2)) return 2;
  if (Has(flags, kFlagClass1)) return 1;
  if (Has(flags, kFlagEvictFirst)) return -1;
  return 0;
}

}  // namespace veltro::sound
