// SPDX-License-Identifier: GPL-3.0-or-later
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

#include "platform/speech/voice_rules.h"

namespace veltro::platform::desktop {

// SAPI's rate steps (SapiRatePace) in espeak-ng's words per minute.
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
  // How long the sound device stays open after its last sound has played. A sound server keeps
  // mixing an open device's silence, so the voice closes it at rest and opens it again for the
  // next words (which costs a few milliseconds, not the server's mixing for ever).
  std::chrono::milliseconds device_rest{500};
};

// The program's own voice on embedded espeak-ng, in SAPI's terms. A thread of the voice's own
// synthesises one request after another and hands the samples to the sound device (through SDL's
// audio queue) or to memory. Speak queues the text and returns at once. Towards the device the
// thread keeps only kSecondsAhead of sound queued and waits while the device plays, so a long
// backlog stays text and costs next to no memory. A purge drops the queued speech, abandons the
// utterance being synthesised and empties the device's queue, so it falls silent at once.
// espeak-ng keeps one engine per process, so only one voice can exist at a time.
class EspeakVoice : public SapiVoiceBase {
 public:
  // How much sound the device holds at most beyond one block of synthesis: enough to ride out a
  // busy moment of the machine, and all a purge has to throw away.
  static constexpr double kSecondsAhead = 2.0;

  explicit EspeakVoice(EspeakOptions options = {});
  ~EspeakVoice() override;
  EspeakVoice(const EspeakVoice&) = delete;
  EspeakVoice& operator=(const EspeakVoice&) = delete;

  // Waits until every request so far has been synthesised (also for tests and measurements);
  // towards the device, that is until at most kSecondsAhead of it is left to be heard.
  void WaitUntilDone() override;
  // Bytes waiting in the sound device's queue (0 without a device, or while it rests).
  uint32_t QueuedDeviceBytes() const;
  // Whether the sound device is open (it is closed while the voice rests).
  bool DeviceOpen() const;

  // Called on the voice's thread with each block of samples; false asks espeak-ng to abandon
  // the utterance (it was purged).
  bool Deliver(const int16_t* samples, int count);

 protected:
  void Enqueue(const std::string& text) override;
  void Purge() override;
  void ApplyRate(int32_t rate) override;
  void ApplyVolume(int32_t volume) override;
  void ApplyVoice(const InstalledVoice& voice) override;
  std::vector<InstalledVoice> InstalledVoices() override { return voices_; }

 private:
  // One step for the voice's thread, done in the order asked.
  struct Request {
    enum class Kind { kSpeak, kRate, kVolume, kVoice } kind;
    std::string text;  // the text, or the voice's identifier
    int32_t value = 0;
  };

  void StartEngine();
  // Starts SDL's audio and opens the device once; throws PlatformError when there is none.
  void StartAudio();
  // Opens the device and sets it playing; false, with SDL's reason, when it cannot be opened.
  bool OpenDevice(std::string& reason);
  // Closes the device when nothing is left to play, and was not at the last look either (the
  // device's own buffer has then played out); the voice's thread only.
  void RestDevice();
  void Push(Request request);
  void Run();
  void Perform(const Request& request);

  EspeakOptions options_;
  std::vector<InstalledVoice> voices_;
  uint32_t device_ = 0;        // SDL audio device, 0 when speaking to memory or at rest
  uint32_t bytes_ahead_ = 0;   // kSecondsAhead of the device's sound
  uint32_t bytes_resume_ = 0;  // where synthesis starts again after a rest
  uint32_t bytes_per_second_ = 0;

  std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::deque<Request> queue_;
  size_t queued_text_bytes_ = 0;
  bool busy_ = false;
  bool stopping_ = false;

  // A purge raises the generation; samples of an older utterance are dropped. The lock makes
  // "check the generation, then hand on the samples" one step that a purge cannot split.
  // `played_` wakes a thread that waits for the device to play (timed), or for a purge.
  mutable std::mutex deliver_mutex_;
  bool drained_ = false;        // the device had nothing queued at the last look
  bool reopen_failed_ = false;  // said once until the device opens again
  std::condition_variable played_;
  std::atomic<uint64_t> generation_{0};
  uint64_t speaking_generation_ = 0;  // the voice's thread only

  std::thread worker_;
};

}  // namespace veltro::platform::desktop
