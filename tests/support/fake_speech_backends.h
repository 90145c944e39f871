#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/speech_backends.h"

namespace veltro::testing {

// The settings of one fake voice, kept by the back-ends so a test can read them.
struct FakeVoiceState {
  int32_t rate = 0;
  int32_t volume = 100;
  int32_t priority = 0;
  std::string voice;
};

// Speech back-ends for unit tests: every call is written to one shared log ("reader1 say hi",
// "voice speak hi", "voice purge", ...), and each part can be told to fail.
class FakeSpeechBackends : public platform::SpeechBackends {
 public:
  std::vector<std::string> log;
  bool screen_reader_available = true;
  bool voice_available = true;
  // Calls on existing objects fail (a service that went away).
  bool screen_reader_calls_fail = false;
  bool voice_calls_fail = false;
  // The voices GetVoices lists, and the voice's starting settings.
  std::vector<std::string> voice_names = {"Alpha", "Bravo", "Charlie"};
  int32_t initial_rate = 0;
  int32_t initial_volume = 100;

  int screen_readers_created = 0;
  int voices_created = 0;
  // One entry per voice made, in order.
  std::vector<std::shared_ptr<FakeVoiceState>> voice_states;

  std::unique_ptr<platform::ScreenReader> CreateScreenReader() override;
  std::unique_ptr<platform::SapiVoice> CreateSapiVoice() override;

  // Only the entries that start with `prefix`.
  std::vector<std::string> LogOf(const std::string& prefix) const;
};

}  // namespace veltro::testing
