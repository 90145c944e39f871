// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

// What the game needs of the two services. The composition root connects these to the speech
// form and the sound engine; tests connect them to recorders.
namespace veltro::game {

class GameSpeech {
 public:
  virtual ~GameSpeech() = default;
  virtual void Say(const std::string& text) = 0;
  virtual void StopSpeech() = 0;
  virtual void TTSSetup(int16_t TTSType) = 0;
};

class GameSound {
 public:
  virtual ~GameSound() = default;
  virtual void DSInit() = 0;
  virtual int16_t PlaySound(const std::string& waveFileIn, int16_t& Volume, int32_t& Frequency,
                            int16_t& Pan, int32_t& StartPosition, int16_t& DSFlags) = 0;
  virtual bool IsPlaying(int16_t Index) = 0;
  virtual void StopPlay(int16_t Index) = 0;
  virtual void SetVolume(int16_t Index, int16_t Volume) = 0;
  virtual void SetPan(int16_t Index, int16_t Pan) = 0;
  virtual void SetFrequency(int16_t Index, int32_t& Frequency) = 0;
};

}  // namespace veltro::game
