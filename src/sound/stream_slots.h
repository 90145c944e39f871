// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>

#include "platform/audio/filter_graph.h"

namespace veltro::sound {

// One OGG stream slot: the OGG library's stream handle (0 = free), the pause flag and the reuse
// class.
struct OggSlot {
  int32_t OggHandle = 0;
  bool OggPaused = false;
  int16_t OggMode = 0;
};

// One MP3 stream slot: the three roles (control, audio, position) of the slot's one player, all
// empty when the slot is free.
struct Mp3Slot {
  std::shared_ptr<platform::FilgraphManager> Mp3Control;
  std::shared_ptr<platform::FilgraphManager> Mp3Audio;
  std::shared_ptr<platform::FilgraphManager> Mp3Position;
  bool Mp3Paused = false;
  int16_t Mp3Mode = 0;
};

}  // namespace veltro::sound
