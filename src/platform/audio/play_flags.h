// SPDX-License-Identifier: GPL-3.0-or-later
// The play flags: the bits of the DSFlags word that the game passes to PlaySound and the sound
// engine reads, held here where both sides see them.
#pragma once

#include <cstdint>

namespace veltro::platform {

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

}  // namespace veltro::platform
