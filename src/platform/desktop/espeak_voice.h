#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/speech_backends.h"

namespace veltro::platform::desktop {

// SAPI's rate steps (-10 slowest, 0 normal, 10 three times as fast, and on to 21 as callers
// pass them) in espeak-ng's words per minute. Every step changes the pace.
int SapiRateToWordsPerMinute(int32_t rate);

// Samples the voice produced, collected on the voice's thread and read on the caller's.
class CapturedAudio {
 public:
  using Clock = std::chrono::steady_clock;

  void Append(const int16_t* samples, int count);
  std::vector<int16_t> Samples() const;
  size_t Size() const;
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
    kSoundDevice,  // the default sound output
    kMemory,       // the samples go to `capture` (or nowhere); no sound device is touched
  };
  Output output = Output::kSoundDevice;
  // The SDL audio driver to play through ("dummy" needs no hardware); empty for SDL's choice.
  std::string audio_driver;
  std::shared_ptr<CapturedAudio> capture;
};

// The program's own voice on embedded espeak-ng, in SAPI's terms. A thread of the voice's own
// synthesises one request after another and hands the samples to the sound device (through SDL's
// audio queue) or to memory. Speak queues and returns at once; a purge drops the queued speech,
// abandons the utterance being synthesised and empties the device's queue, so it falls silent at
// once. espeak-ng keeps one engine per process, so only one voice can exist at a time.
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

  // Waits until every request so far has been synthesised (for tests and measurements).
  void WaitUntilDone();
  // Bytes waiting in the sound device's queue (0 without a device).
  uint32_t QueuedDeviceBytes() const;

  struct InstalledVoice {
    std::string name, identifier;
  };

  // Called on the voice's thread with each block of samples; false asks espeak-ng to abandon
  // the utterance (it was purged).
  bool Deliver(const int16_t* samples, int count);

 private:
  // One step for the voice's thread, done in the order asked.
  struct Request {
    enum class Kind { kSpeak, kRate, kVolume, kVoice } kind;
    std::string text;  // the text, or the voice's identifier
    int32_t value = 0;
  };

  void StartEngine();
  void OpenDevice();
  void Enqueue(Request request);
  void Purge();
  void Run();
  void Perform(const Request& request);

  EspeakOptions options_;
  std::vector<InstalledVoice> voices_;
  int32_t rate_ = 0;
  int32_t volume_ = 100;
  int32_t priority_ = 0;
  uint32_t device_ = 0;  // SDL audio device, 0 when speaking to memory

  std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::deque<Request> queue_;
  bool busy_ = false;
  bool stopping_ = false;

  // A purge raises the generation; samples of an older utterance are dropped. The lock makes
  // "check the generation, then hand on the samples" one step that a purge cannot split.
  std::mutex deliver_mutex_;
  std::atomic<uint64_t> generation_{0};
  uint64_t speaking_generation_ = 0;  // the voice's thread only

  std::thread worker_;
};

}  // namespace veltro::platform::desktop
