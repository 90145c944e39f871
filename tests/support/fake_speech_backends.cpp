#include "support/fake_speech_backends.h"

#include "platform/platform_error.h"

namespace veltro::testing {

namespace {

class FakeScreenReader : public platform::ScreenReader {
 public:
  FakeScreenReader(FakeSpeechBackends& owner, std::string name) : owner_(owner), name_(name) {}
  void SayString(const std::string& text, bool interrupt) override {
    Check();
    owner_.log.push_back(name_ + (interrupt ? " say! " : " say ") + text);
  }
  void StopSpeech() override {
    Check();
    owner_.log.push_back(name_ + " stop");
  }

 private:
  void Check() {
    if (owner_.screen_reader_calls_fail) throw platform::PlatformError("screen reader gone");
  }
  FakeSpeechBackends& owner_;
  std::string name_;
};

class FakeToken : public platform::VoiceToken {
 public:
  explicit FakeToken(std::string name) : name_(std::move(name)) {}
  std::string GetDescription() override { return name_; }

 private:
  std::string name_;
};

class FakeTokens : public platform::VoiceTokens {
 public:
  explicit FakeTokens(std::vector<std::string> names) : names_(std::move(names)) {}
  int32_t Count() override { return static_cast<int32_t>(names_.size()); }
  std::shared_ptr<platform::VoiceToken> Item(int32_t index) override {
    if (index < 0 || index >= Count()) throw platform::PlatformError("no voice at that index");
    return std::make_shared<FakeToken>(names_[index]);
  }

 private:
  std::vector<std::string> names_;
};

class FakeVoice : public platform::SapiVoice {
 public:
  FakeVoice(FakeSpeechBackends& owner, std::shared_ptr<FakeVoiceState> state)
      : owner_(owner), state_(std::move(state)) {}
  void Speak(const std::optional<std::string>& text, int32_t flags) override {
    Check();
    if (flags & platform::SVSFPurgeBeforeSpeak) owner_.log.push_back("voice purge");
    if (text) owner_.log.push_back("voice speak " + *text);
  }
  int32_t Rate() override {
    Check();
    return state_->rate;
  }
  void SetRate(int32_t rate) override {
    Check();
    if (rate < -10 || rate > 21) throw platform::PlatformError("rate out of range");
    state_->rate = rate;
    owner_.log.push_back("voice rate " + std::to_string(rate));
  }
  int32_t Volume() override {
    Check();
    return state_->volume;
  }
  void SetVolume(int32_t volume) override {
    Check();
    if (volume < 0 || volume > 100) throw platform::PlatformError("volume out of range");
    state_->volume = volume;
    owner_.log.push_back("voice volume " + std::to_string(volume));
  }
  std::shared_ptr<platform::VoiceTokens> GetVoices(const std::string&,
                                                   const std::string&) override {
    Check();
    return std::make_shared<FakeTokens>(owner_.voice_names);
  }
  void SetVoice(std::shared_ptr<platform::VoiceToken> voice) override {
    Check();
    state_->voice = voice->GetDescription();
    owner_.log.push_back("voice voice " + state_->voice);
  }
  void SetPriority(int32_t priority) override {
    Check();
    state_->priority = priority;
    owner_.log.push_back("voice priority " + std::to_string(priority));
  }

 private:
  void Check() {
    if (owner_.voice_calls_fail) throw platform::PlatformError("voice failed");
  }
  FakeSpeechBackends& owner_;
  std::shared_ptr<FakeVoiceState> state_;
};

}  // namespace

std::unique_ptr<platform::ScreenReader> FakeSpeechBackends::CreateScreenReader() {
  if (!screen_reader_available) throw platform::PlatformError("no screen reader answers");
  ++screen_readers_created;
  log.push_back("create reader" + std::to_string(screen_readers_created));
  return std::make_unique<FakeScreenReader>(*this,
                                            "reader" + std::to_string(screen_readers_created));
}

std::unique_ptr<platform::SapiVoice> FakeSpeechBackends::CreateSapiVoice() {
  if (!voice_available) throw platform::PlatformError("no voice");
  ++voices_created;
  log.push_back("create voice");
  auto state = std::make_shared<FakeVoiceState>();
  state->rate = initial_rate;
  state->volume = initial_volume;
  voice_states.push_back(state);
  return std::make_unique<FakeVoice>(*this, state);
}

std::vector<std::string> FakeSpeechBackends::LogOf(const std::string& prefix) const {
  std::vector<std::string> entries;
  for (const std::string& entry : log) {
    if (entry.starts_with(prefix)) entries.push_back(entry);
  }
  return entries;
}

}  // namespace veltro::testing
