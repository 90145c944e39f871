// SPDX-License-Identifier: GPL-3.0-or-later
// SapiVoiceBase: the rules of a SAPI voice held once for every voice back-end.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/speech/speech_backends.h"

namespace veltro::platform {

// How fast a voice speaks at a SAPI rate, as a multiple of its normal pace: ten steps up is
// three times as fast (and on to 21 as callers pass it), ten steps down is 0.457 of it (the
// slowest pace a voice keeps intelligible). Every step changes the pace.
double SapiRatePace(int32_t rate);

// A voice of the program's own in SAPI's terms, with SAPI's rules held once for every machine:
// the ranges of rate and volume, the speak flags, the list of installed voices and which voice
// belongs to it. A voice back-end supplies only the steps below. Every failure throws
// PlatformError.
class SapiVoiceBase : public SapiVoice {
 public:
  struct InstalledVoice {
    std::string name;        // what GetDescription says
    std::string identifier;  // what the back-end knows it by
  };

  void Speak(const std::optional<std::string>& text, int32_t flags) final;
  int32_t Rate() final { return rate_; }
  void SetRate(int32_t rate) final;
  int32_t Volume() final { return volume_; }
  void SetVolume(int32_t volume) final;
  std::shared_ptr<VoiceTokens> GetVoices(const std::string& required,
                                         const std::string& optional) final;
  void SetVoice(std::shared_ptr<VoiceToken> voice) final;
  void SetPriority(int32_t priority) final { priority_ = priority; }
  int32_t Priority() const { return priority_; }

 protected:
  // Queues a text behind what is being said.
  virtual void Enqueue(const std::string& text) = 0;
  // Drops the current and all queued speech at once.
  virtual void Purge() = 0;
  // Waits until everything queued has been said (a speak without SVSFlagsAsync).
  virtual void WaitUntilDone() = 0;
  // The rate as SapiRatePace gives it, the volume, a voice from the list (all checked first).
  virtual void ApplyRate(int32_t rate) = 0;
  virtual void ApplyVolume(int32_t volume) = 0;
  virtual void ApplyVoice(const InstalledVoice& voice) = 0;
  virtual std::vector<InstalledVoice> InstalledVoices() = 0;

 private:
  int32_t rate_ = 0;
  int32_t volume_ = kHighestVolume;  // a new voice speaks at full volume
  int32_t priority_ = 0;
};

}  // namespace veltro::platform
