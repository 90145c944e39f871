// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/headless/recording_speech.h"

#include <utility>

#include "platform/base/platform_error.h"

namespace veltro::platform::headless {
namespace {

using Backend = RecordingSpeechBackends::Record::Backend;
using State = RecordingSpeechBackends::State;

class RecordingScreenReader : public ScreenReader {
 public:
  explicit RecordingScreenReader(std::shared_ptr<State> state) : state_(std::move(state)) {}

  void SayString(const std::string& text, bool) override {
    Check();
    state_->Add({Backend::kScreenReader, text, false});
  }
  void StopSpeech() override {
    Check();
    state_->Add({Backend::kScreenReader, "", true});
  }

 private:
  void Check() {
    if (state_->fail_screen_reader_calls)
      throw PlatformError("the screen reader stopped answering");
  }
  std::shared_ptr<State> state_;
};

class RecordingToken : public VoiceToken {
 public:
  explicit RecordingToken(std::string name) : name_(std::move(name)) {}
  std::string GetDescription() override { return name_; }

 private:
  std::string name_;
};

class RecordingTokens : public VoiceTokens {
 public:
  int32_t Count() override {
    return static_cast<int32_t>(RecordingSpeechBackends::VoiceNames().size());
  }
  std::shared_ptr<VoiceToken> Item(int32_t index) override {
    if (index < 0 || index >= Count())
      throw PlatformError("there is no voice number " + std::to_string(index));
    return std::make_shared<RecordingToken>(RecordingSpeechBackends::VoiceNames()[index]);
  }
};

class RecordingVoice : public SapiVoice {
 public:
  explicit RecordingVoice(std::shared_ptr<State> state) : state_(std::move(state)) {}

  void Speak(const std::optional<std::string>& text, int32_t flags) override {
    Check();
    if ((flags & SVSFPurgeBeforeSpeak) != 0) state_->Add({Backend::kVoice, "", true});
    if (text) state_->Add({Backend::kVoice, *text, false});
  }
  int32_t Rate() override {
    Check();
    return state_->rate;
  }
  void SetRate(int32_t rate) override {
    Check();
    if (rate < kLowestRate || rate > state_->highest_rate) {
      throw PlatformError("a voice rate must lie from " + std::to_string(kLowestRate) + " to " +
                          std::to_string(state_->highest_rate));
    }
    state_->rate = rate;
  }
  int32_t Volume() override {
    Check();
    return state_->volume;
  }
  void SetVolume(int32_t volume) override {
    Check();
    if (volume < kLowestVolume || volume > kHighestVolume) {
      throw PlatformError("a voice volume must lie from " + std::to_string(kLowestVolume) + " to " +
                          std::to_string(kHighestVolume));
    }
    state_->volume = volume;
  }
  std::shared_ptr<VoiceTokens> GetVoices(const std::string&, const std::string&) override {
    Check();
    return std::make_shared<RecordingTokens>();
  }
  void SetVoice(std::shared_ptr<VoiceToken> voice) override {
    Check();
    if (!voice) throw PlatformError("no voice given");
    state_->voice = voice->GetDescription();
  }
  void SetPriority(int32_t priority) override {
    Check();
    state_->priority = priority;
  }

 private:
  void Check() {
    if (state_->fail_voice_calls) throw PlatformError("the voice stopped answering");
  }
  std::shared_ptr<State> state_;
};

}  // namespace

void RecordingSpeechBackends::State::Add(Record record) {
  if (records_kept == 0) return;
  // The oldest half goes at once, so that dropping costs little per record.
  if (records.size() >= records_kept) {
    records.erase(records.begin(),
                  records.begin() + static_cast<std::ptrdiff_t>(records.size() - records_kept / 2));
  }
  records.push_back(std::move(record));
}

const std::vector<std::string>& RecordingSpeechBackends::VoiceNames() {
  static const std::vector<std::string> kNames = {"Veltro Voice One", "Veltro Voice Two"};
  return kNames;
}

RecordingSpeechBackends::RecordingSpeechBackends() : state_(std::make_shared<State>()) {}

RecordingSpeechBackends::~RecordingSpeechBackends() = default;

std::vector<std::string> RecordingSpeechBackends::Spoken() const {
  std::vector<std::string> spoken;
  for (const Record& record : state_->records) {
    if (!record.stop) spoken.push_back(record.text);
  }
  return spoken;
}

std::unique_ptr<ScreenReader> RecordingSpeechBackends::CreateScreenReader() {
  if (state_->fail_screen_reader_creation) {
    throw PlatformError("no screen reader answers on this machine");
  }
  ++state_->screen_readers_created;
  return std::make_unique<RecordingScreenReader>(state_);
}

std::unique_ptr<SapiVoice> RecordingSpeechBackends::CreateSapiVoice() {
  if (state_->fail_voice_creation) throw PlatformError("the voice could not be started");
  ++state_->voices_created;
  return std::make_unique<RecordingVoice>(state_);
}

}  // namespace veltro::platform::headless
