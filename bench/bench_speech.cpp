// SPDX-License-Identifier: GPL-3.0-or-later
// Speech latencies the player feels: how long a spoken report takes to reach the back-end, and
// how quickly the program's own voice falls silent when speech is stopped.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "bench_ui.h"
#include "platform/base/platform_error.h"
#include "platform/desktop/espeak_voice.h"
#include "speech/speech_form.h"

namespace {

using namespace veltro;
using Clock = std::chrono::steady_clock;

struct NoPauses : speech::SpeechPauses {
  void WaitSeconds(float) override {}
};

// A voice that notes when a text reached it.
class StampingVoice : public platform::SapiVoice {
 public:
  explicit StampingVoice(Clock::time_point& reached) : reached_(reached) {}
  void Speak(const std::optional<std::string>& text, int32_t) override {
    if (text) reached_ = Clock::now();
  }
  int32_t Rate() override { return 0; }
  void SetRate(int32_t) override {}
  int32_t Volume() override { return 100; }
  void SetVolume(int32_t) override {}
  std::shared_ptr<platform::VoiceTokens> GetVoices(const std::string&,
                                                   const std::string&) override {
    return nullptr;
  }
  void SetVoice(std::shared_ptr<platform::VoiceToken>) override {}
  void SetPriority(int32_t) override {}

 private:
  Clock::time_point& reached_;
};

class StampingBackends : public platform::SpeechBackends {
 public:
  Clock::time_point reached;
  std::unique_ptr<platform::ScreenReader> CreateScreenReader() override {
    throw platform::PlatformError("none");
  }
  std::unique_ptr<platform::SapiVoice> CreateSapiVoice() override {
    return std::make_unique<StampingVoice>(reached);
  }
};

// From speak to the moment the back-end holds the text.
void BM_SayReachesBackEnd(benchmark::State& state) {
  bench::BenchUi ui;
  StampingBackends backends;
  NoPauses pauses;
  speech::FRMTTS form(ui.ui(), backends, pauses);
  form.TTSSetup(3);
  const std::string text = "Altitude 1500, v 42, Fuel: 63";
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    form.speak(text);
    state.SetIterationTime(std::chrono::duration<double>(backends.reached - start).count());
  }
}
BENCHMARK(BM_SayReachesBackEnd)->UseManualTime()->Unit(benchmark::kMicrosecond);

std::string LongText() {
  std::string text;
  for (int i = 0; i < 20; ++i) text += "Altitude five hundred. Velocity twelve. Fuel: eighty. ";
  return text;
}

// espeak-ng synthesising into memory: the purge call's own latency (the iteration time), and how
// long after the purge began the last samples were still delivered ("tail_us"; 0 = none after).
void BM_EspeakPurgeToSilence(benchmark::State& state) {
  auto capture = std::make_shared<platform::desktop::CapturedAudio>();
  platform::desktop::EspeakVoice voice(
      {platform::desktop::EspeakOptions::Output::kMemory, "", capture});
  const std::string text = LongText();
  double tail_total = 0;
  for (auto _ : state) {
    capture->Clear();
    voice.Speak(text, platform::SVSFlagsAsync);
    while (capture->Size() == 0) std::this_thread::sleep_for(std::chrono::microseconds(50));
    const Clock::time_point start = Clock::now();
    voice.Speak(std::nullopt, platform::SVSFPurgeBeforeSpeak);
    const Clock::time_point returned = Clock::now();
    state.SetIterationTime(std::chrono::duration<double>(returned - start).count());
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto tail = capture->LastDelivery() - start;
    tail_total += std::max(0.0, std::chrono::duration<double, std::micro>(tail).count());
  }
  state.counters["tail_us"] = tail_total / static_cast<double>(state.iterations());
}
BENCHMARK(BM_EspeakPurgeToSilence)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The game's "stop, then say the new report" on the voice playing through a sound device (SDL's
// dummy driver, which plays at the real pace without hardware): the time the caller spends in
// the two calls, with "queued_bytes" = audio still waiting in the device right after the purge.
void BM_EspeakStopThenSpeakOnDevice(benchmark::State& state) {
  std::unique_ptr<platform::desktop::EspeakVoice> voice;
  try {
    voice = std::make_unique<platform::desktop::EspeakVoice>(platform::desktop::EspeakOptions{
        platform::desktop::EspeakOptions::Output::kSoundDevice, "dummy", nullptr});
  } catch (const platform::PlatformError& error) {
    state.SkipWithError(error.what());
    return;
  }
  const std::string text = LongText();
  double queued_total = 0;
  for (auto _ : state) {
    voice->Speak(text, platform::SVSFlagsAsync);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const Clock::time_point start = Clock::now();
    voice->Speak(std::nullopt, platform::SVSFPurgeBeforeSpeak);
    queued_total += voice->QueuedDeviceBytes();
    voice->Speak("Fuel: 63", platform::SVSFlagsAsync);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    voice->WaitUntilDone();
  }
  state.counters["queued_bytes"] = queued_total / static_cast<double>(state.iterations());
}
BENCHMARK(BM_EspeakStopThenSpeakOnDevice)->UseManualTime()->Unit(benchmark::kMicrosecond);

// From speaking a new text right after a stop to its first samples (synthesis into memory).
void BM_EspeakStopThenFirstSample(benchmark::State& state) {
  auto capture = std::make_shared<platform::desktop::CapturedAudio>();
  platform::desktop::EspeakVoice voice(
      {platform::desktop::EspeakOptions::Output::kMemory, "", capture});
  const std::string text = LongText();
  for (auto _ : state) {
    voice.Speak(text, platform::SVSFlagsAsync);
    while (capture->Size() == 0) std::this_thread::sleep_for(std::chrono::microseconds(20));
    const Clock::time_point start = Clock::now();
    voice.Speak(std::nullopt, platform::SVSFPurgeBeforeSpeak);
    capture->Clear();
    voice.Speak("Fuel: 63", platform::SVSFlagsAsync);
    while (capture->Size() == 0) std::this_thread::yield();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    voice.WaitUntilDone();
    capture->Clear();
  }
}
BENCHMARK(BM_EspeakStopThenFirstSample)->UseManualTime()->Unit(benchmark::kMicrosecond);

// From speaking a word to its first samples in the sound device's queue, with the device open
// (range 0) and at rest, opened again for the word (range 1): the difference is what a rest costs
// the next word. The device is SDL's choice (SDL_AUDIODRIVER, PULSE_SERVER pick it).
void BM_EspeakFirstSampleOnDevice(benchmark::State& state) {
  const bool rests = state.range(0) == 1;
  std::unique_ptr<platform::desktop::EspeakVoice> voice;
  try {
    voice = std::make_unique<platform::desktop::EspeakVoice>(platform::desktop::EspeakOptions{
        platform::desktop::EspeakOptions::Output::kSoundDevice, "", nullptr,
        rests ? std::chrono::milliseconds(5) : std::chrono::hours(1)});
  } catch (const platform::PlatformError& error) {
    state.SkipWithError(error.what());
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    voice->Speak(std::nullopt, platform::SVSFPurgeBeforeSpeak);
    voice->WaitUntilDone();
    while (rests && voice->DeviceOpen()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    state.ResumeTiming();
    const Clock::time_point start = Clock::now();
    voice->Speak("Moon", platform::SVSFlagsAsync);
    while (voice->QueuedDeviceBytes() == 0)
      std::this_thread::sleep_for(std::chrono::microseconds(20));
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
}
BENCHMARK(BM_EspeakFirstSampleOnDevice)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(30)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
