#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform_error.h"
#include "platform/speech_backends.h"

namespace veltro::testing {

// Speech back-ends for unit tests: every call is written to one shared log ("reader1 say hi",
// "voice speak hi", "voice purge", ...). All voices share the settings below.
class FakeSpeechBackends : public platform::SpeechBackends {
 public:
  std::vector<std::string> log;
  bool screen_reader_available = true, voice_available = true;
  bool screen_reader_calls_fail = false;  // a screen reader that went away
  std::vector<std::string> voice_names = {"Alpha", "Bravo", "Charlie"};
  int32_t rate = 0, volume = 100;
  int screen_readers_created = 0, voices_created = 0;

  std::unique_ptr<platform::ScreenReader> CreateScreenReader() override {
    if (!screen_reader_available) throw platform::PlatformError("no screen reader answers");
    log.push_back("create reader" + std::to_string(++screen_readers_created));
    return std::make_unique<Part>(*this, "reader" + std::to_string(screen_readers_created));
  }
  std::unique_ptr<platform::SapiVoice> CreateSapiVoice() override {
    if (!voice_available) throw platform::PlatformError("no voice");
    ++voices_created;
    return std::make_unique<Part>(*this, "voice");
  }
  void NotSpoken(const std::string& text) override { log.push_back("not spoken " + text); }

 private:
  struct Token : platform::VoiceToken {
    explicit Token(std::string n) : name(std::move(n)) {}
    std::string GetDescription() override { return name; }
    std::string name;
  };

  struct Tokens : platform::VoiceTokens {
    explicit Tokens(std::vector<std::string> n) : names(std::move(n)) {}
    int32_t Count() override { return static_cast<int32_t>(names.size()); }
    std::shared_ptr<platform::VoiceToken> Item(int32_t index) override {
      if (index < 0 || index >= Count()) throw platform::PlatformError("no voice at that index");
      return std::make_shared<Token>(names[index]);
    }
    std::vector<std::string> names;
  };

  // Either back-end: `name` tells them apart in the log.
  struct Part : platform::ScreenReader, platform::SapiVoice {
    Part(FakeSpeechBackends& o, std::string n) : owner(o), name(std::move(n)) {}
    void SayString(const std::string& text, bool interrupt) override {
      Log((interrupt ? " say! " : " say ") + text);
    }
    void StopSpeech() override { Log(" stop"); }
    void Log(const std::string& entry) {
      if (owner.screen_reader_calls_fail) throw platform::PlatformError("screen reader gone");
      owner.log.push_back(name + entry);
    }
    void Speak(const std::optional<std::string>& text, int32_t flags) override {
      if (flags & platform::SVSFPurgeBeforeSpeak) owner.log.push_back("voice purge");
      if (text) owner.log.push_back("voice speak " + *text);
    }
    int32_t Rate() override { return owner.rate; }
    int32_t Volume() override { return owner.volume; }
    void SetRate(int32_t rate) override { Set(owner.rate, rate, -10, 21, "rate"); }
    void SetVolume(int32_t volume) override { Set(owner.volume, volume, 0, 100, "volume"); }
    void SetPriority(int32_t priority) override {
      owner.log.push_back("voice priority " + std::to_string(priority));
    }
    std::shared_ptr<platform::VoiceTokens> GetVoices(const std::string&,
                                                     const std::string&) override {
      return std::make_shared<Tokens>(owner.voice_names);
    }
    void SetVoice(std::shared_ptr<platform::VoiceToken> token) override {
      owner.log.push_back("voice voice " + token->GetDescription());
    }
    void Set(int32_t& field, int32_t value, int32_t low, int32_t high, const std::string& what) {
      if (value < low || value > high) throw platform::PlatformError(what + " out of range");
      field = value;
      owner.log.push_back("voice " + what + " " + std::to_string(value));
    }
    FakeSpeechBackends& owner;
    std::string name;
  };
};

}  // namespace veltro::testing
