// SPDX-License-Identifier: GPL-3.0-or-later
// SapiVoiceBase: the rules of a SAPI voice held once for every voice back-end.
#include "platform/speech/voice_rules.h"

#include <cmath>

#include "platform/base/platform_error.h"
#include "platform/speech/spoken_form.h"

namespace veltro::platform {
namespace {

constexpr double kSlowestPace = 80.0 / 175.0;

// One installed voice, and the voice object it came from, so that SetVoice takes only its own.
class Token : public VoiceToken {
 public:
  Token(const SapiVoiceBase* owner, SapiVoiceBase::InstalledVoice voice)
      : owner_(owner), voice_(std::move(voice)) {}
  std::string GetDescription() override { return voice_.name; }
  const SapiVoiceBase* owner() const { return owner_; }
  const SapiVoiceBase::InstalledVoice& voice() const { return voice_; }

 private:
  const SapiVoiceBase* owner_;
  SapiVoiceBase::InstalledVoice voice_;
};

class Tokens : public VoiceTokens {
 public:
  Tokens(const SapiVoiceBase* owner, std::vector<SapiVoiceBase::InstalledVoice> voices)
      : owner_(owner), voices_(std::move(voices)) {}
  int32_t Count() override { return static_cast<int32_t>(voices_.size()); }
  std::shared_ptr<VoiceToken> Item(int32_t index) override {
    if (index < 0 || index >= Count()) {
      throw PlatformError("there is no installed voice number " + std::to_string(index));
    }
    return std::make_shared<Token>(owner_, voices_[index]);
  }

 private:
  const SapiVoiceBase* owner_;
  std::vector<SapiVoiceBase::InstalledVoice> voices_;
};

}  // namespace

double SapiRatePace(int32_t rate) {
  const double steps = rate / 10.0;
  return rate >= 0 ? std::pow(3.0, steps) : std::pow(kSlowestPace, -steps);
}

void SapiVoiceBase::Speak(const std::optional<std::string>& text, int32_t flags) {
  if (flags & SVSFPurgeBeforeSpeak) Purge();
  if (text && !text->empty()) Enqueue(SpokenForm(*text));
  if ((flags & SVSFlagsAsync) == 0) WaitUntilDone();
}

void SapiVoiceBase::SetRate(int32_t rate) {
  if (rate < kLowestRate || rate > kHighestRate) {
    throw PlatformError("the voice rate must lie between " + std::to_string(kLowestRate) + " and " +
                        std::to_string(kHighestRate) + ", not " + std::to_string(rate));
  }
  ApplyRate(rate);
  rate_ = rate;
}

void SapiVoiceBase::SetVolume(int32_t volume) {
  if (volume < kLowestVolume || volume > kHighestVolume) {
    throw PlatformError("the voice volume must lie between " + std::to_string(kLowestVolume) +
                        " and " + std::to_string(kHighestVolume) + ", not " +
                        std::to_string(volume));
  }
  ApplyVolume(volume);
  volume_ = volume;
}

std::shared_ptr<VoiceTokens> SapiVoiceBase::GetVoices(const std::string&, const std::string&) {
  return std::make_shared<Tokens>(this, InstalledVoices());
}

void SapiVoiceBase::SetVoice(std::shared_ptr<VoiceToken> voice) {
  auto* token = dynamic_cast<Token*>(voice.get());
  if (token == nullptr || token->owner() != this) {
    throw PlatformError("that voice does not belong to this voice object");
  }
  ApplyVoice(token->voice());
}

}  // namespace veltro::platform
