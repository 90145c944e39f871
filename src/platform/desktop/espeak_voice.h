#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/speech_backends.h"

namespace veltro::platform::desktop {

// SAPI's rate steps (-10 slowest, 0 normal, 10 three times as fast, and on to 21 as callers
// pass them) in espeak-ng's words per minute. Every step changes the pace.
int SapiRateToWordsPerMinute(int32_t rate);

// Samples the voice produced, collected on espeak-ng's own thread and read on the caller's.
class CapturedAudio {
 public:
  using Clock = std::chrono::steady_clock;

  void Append(const int16_t* samples, int count);
  std::vector<int16_t> Samples() const;
  void Clear();
  // When the last samples arrived (the epoch when none have).
  Clock::time_point LastDelivery() const;

 private:
  mutable std::mutex mutex_;
  std::vector<int16_t> samples_;
  Clock::time_point last_delivery_{};
};

struct EspeakOptions {
  enum class Output {
    kSoundDevice,  // espeak-ng plays through its own audio output
    kMemory,       // the samples go to `capture` (or nowhere); no sound device is touched
  };
  Output output = Output::kSoundDevice;
  // The audio device espeak-ng opens; empty for the default one.
  std::string device;
  std::shared_ptr<CapturedAudio> capture;
};

// The program's own voice on embedded espeak-ng, in SAPI's terms. Speech is synthesised on
// espeak-ng's own thread: Speak queues and returns; a purge drops everything at once.
// espeak-ng keeps one engine per process, so only one voice can exist at a time.
class EspeakVoice : public SapiVoice {
 public:
  explicit EspeakVoice(EspeakOptions options = {});
  ~EspeakVoice() override;
  EspeakVoice(const EspeakVoice&) = delete;
  EspeakVoice& operator=(const EspeakVoice&) = delete;

  void Speak(const std::optional<std::string>& text, int32_t flags) override;
  int32_t Rate() override { return rate_; }
  void SetRate(int32_t rate) override;
  int32_t Volume() override { return volume_; }
  void SetVolume(int32_t volume) override;
  std::shared_ptr<VoiceTokens> GetVoices(const std::string& required,
                                         const std::string& optional) override;
  void SetVoice(std::shared_ptr<VoiceToken> voice) override;
  void SetPriority(int32_t priority) override { priority_ = priority; }
  int32_t Priority() const { return priority_; }

  // Waits until everything queued has been synthesised (for tests and measurements).
  void WaitUntilDone();

  struct InstalledVoice {
    std::string name, identifier;
  };

  // Where espeak-ng's thread hands the samples of this voice's speech.
  struct Sink {
    CapturedAudio* capture = nullptr;
    // Set while a purge runs: the thread then drops the utterance it is working on.
    std::atomic<bool> purging{false};
  };

 private:
  void Start();
  void ApplySettings();
  void Cancel();

  EspeakOptions options_;
  Sink sink_;
  std::vector<InstalledVoice> voices_;
  int32_t rate_ = 0;
  int32_t volume_ = 100;
  int32_t priority_ = 0;
  bool output_started_ = false;
};

}  // namespace veltro::platform::desktop
