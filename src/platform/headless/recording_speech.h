// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/speech/speech_backends.h"

namespace veltro::platform::headless {

// Speech back-ends that speak nothing and record what they were asked. Both always work unless
// a test (or the headless run's switches) tells them to fail: the creation of either back-end,
// or every later call on it, throws PlatformError while its switch is set.
class RecordingSpeechBackends : public SpeechBackends {
 public:
  struct Record {
    enum class Backend { kScreenReader, kVoice };
    Backend backend;
    std::string text;  // empty with stop
    bool stop = false;
  };
  // The state the back-ends share with the objects they created, and the tests' switches.
  struct State {
    bool fail_screen_reader_creation = false;
    bool fail_voice_creation = false;
    bool fail_screen_reader_calls = false;
    bool fail_voice_calls = false;

    std::vector<Record> records;
    // At most this many of the newest records are kept: a long run does not grow with its speech.
    size_t records_kept = SIZE_MAX;
    void Add(Record record);
    int screen_readers_created = 0;
    int voices_created = 0;
    // The voice's settings, as SAPI would keep them.
    int32_t rate = 0;
    int32_t highest_rate = 10;  // SAPI's published; a test may widen it to kHighestRate
    int32_t volume = kHighestVolume;
    int32_t priority = 0;
    std::string voice = "Veltro Voice One";
  };

  // The installed voices the recording voice offers.
  static const std::vector<std::string>& VoiceNames();

  RecordingSpeechBackends();
  ~RecordingSpeechBackends() override;

  State& state() { return *state_; }
  // The texts handed to either back-end, in order.
  std::vector<std::string> Spoken() const;

  // SpeechBackends
  std::unique_ptr<ScreenReader> CreateScreenReader() override;
  std::unique_ptr<SapiVoice> CreateSapiVoice() override;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace veltro::platform::headless
