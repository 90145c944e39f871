// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace veltro::sound {

// What the sound engine needs of the speech output, for sound names that begin with "#".
class SoundSpeech {
 public:
  virtual ~SoundSpeech() = default;
  virtual void speak(const std::string& t, int16_t SystemType) = 0;
  virtual void StopSpeakingAll() = 0;
};

}  // namespace veltro::sound
