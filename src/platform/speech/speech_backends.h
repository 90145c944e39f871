// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// The two speech back-ends as the speech form sees them. Every call that fails throws
// PlatformError; creating a back-end fails when its service cannot be reached.
namespace veltro::platform {

// Back-end 1: the screen reader's speech channel.
class ScreenReader {
 public:
  virtual ~ScreenReader() = default;
  // Queues the text and returns at once.
  virtual void SayString(const std::string& text, bool interrupt) = 0;
  virtual void StopSpeech() = 0;
};

class VoiceToken {
 public:
  virtual ~VoiceToken() = default;
  virtual std::string GetDescription() = 0;
};

// The installed voices; Item fails past the end of the list.
class VoiceTokens {
 public:
  virtual ~VoiceTokens() = default;
  virtual int32_t Count() = 0;
  virtual std::shared_ptr<VoiceToken> Item(int32_t index) = 0;
};

constexpr int32_t SVSFlagsAsync = 1;
constexpr int32_t SVSFPurgeBeforeSpeak = 2;

// SAPI's units: a rate step (0 is a voice's normal pace) and a volume (0 silent, 100 full).
// SAPI publishes rates up to 10, but the speech form steps on to 21 and passes it to the voice,
// so the program's own voices take the whole range and SAPI's may refuse the top of it.
constexpr int32_t kLowestRate = -10, kHighestRate = 21;
constexpr int32_t kLowestVolume = 0, kHighestVolume = 100;

// Back-end 3: a voice of the program's own, with SAPI's units (rate and volume above).
class SapiVoice {
 public:
  virtual ~SapiVoice() = default;
  // Speak(text, SVSFlagsAsync) queues behind what is being said; Speak(nullopt,
  // SVSFPurgeBeforeSpeak) drops the current and all queued speech at once.
  virtual void Speak(const std::optional<std::string>& text, int32_t flags) = 0;
  virtual int32_t Rate() = 0;
  virtual void SetRate(int32_t rate) = 0;
  virtual int32_t Volume() = 0;
  virtual void SetVolume(int32_t volume) = 0;
  virtual std::shared_ptr<VoiceTokens> GetVoices(const std::string& required,
                                                 const std::string& optional) = 0;
  virtual void SetVoice(std::shared_ptr<VoiceToken> voice) = 0;
  virtual void SetPriority(int32_t priority) = 0;
};

class SpeechBackends {
 public:
  virtual ~SpeechBackends() = default;
  virtual std::unique_ptr<ScreenReader> CreateScreenReader() = 0;
  virtual std::unique_ptr<SapiVoice> CreateSapiVoice() = 0;
  // Told of each text the speech output had to say but could hand to no back-end (none active,
  // or the active ones failed), so that whoever follows the speech in writing still reads it.
  virtual void NotSpoken(const std::string& /*text*/) {}
  // Told of things such a follower should know besides the speech (a message box and its answer).
  virtual void Note(const std::string& /*note*/) {}
};

}  // namespace veltro::platform
