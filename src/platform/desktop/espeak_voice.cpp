// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/espeak_voice.h"

#include <SDL.h>
#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <utility>

#include "platform/base/platform_error.h"

namespace veltro::platform::desktop {

namespace {

constexpr int kNormalWordsPerMinute = 175;  // espeak-ng's own normal pace
// Bounds of what may wait as text: hours of speech, so only a caller that never stops queuing
// meets them.
constexpr size_t kMaxQueuedRequests = 20000;
constexpr size_t kMaxQueuedTextBytes = 1u << 20;
// How much the device plays while synthesis rests, before it tops the lead up again.
constexpr double kSecondsRefill = 1.5;
// A wait for the device never shorter than about one of its periods: it plays in such steps.
constexpr auto kShortestWait = std::chrono::milliseconds(20);

// espeak-ng holds its engine in process-wide state; this marks it taken by one voice.
std::atomic<bool>& EngineTaken() {
  static std::atomic<bool> taken{false};
  return taken;
}

// espeak-ng 1.51 hangs when it is shut down a second time in one process, so its engine is
// started once and kept to the end of the process; each voice takes it over in turn.
bool& EngineStarted() {
  static bool started = false;  // changed only by the voice that holds EngineTaken()
  return started;
}

std::string StatusText(espeak_ng_STATUS status) {
  char text[256] = {};
  espeak_ng_GetStatusCodeMessage(status, text, sizeof text);
  return text;
}

void Check(espeak_ng_STATUS status, const std::string& what) {
  if (status != ENS_OK) throw PlatformError("espeak-ng: " + what + ": " + StatusText(status));
}

// Runs on the voice's thread, inside espeak-ng's synthesis.
int OnSynthesis(short* samples, int count, espeak_EVENT* events) {
  auto* voice = events != nullptr ? static_cast<EspeakVoice*>(events->user_data) : nullptr;
  if (voice == nullptr || samples == nullptr || count <= 0) return 0;
  return voice->Deliver(samples, count) ? 0 : 1;
}

}  // namespace

int SapiRateToWordsPerMinute(int32_t rate) {
  // espeak-ng reaches the high paces through its time-stretching; its slowest is 80 words.
  return static_cast<int>(std::lround(kNormalWordsPerMinute * SapiRatePace(rate)));
}

void CapturedAudio::Append(const int16_t* samples, int count) {
  std::lock_guard lock(mutex_);
  samples_.insert(samples_.end(), samples, samples + count);
  last_delivery_ = Clock::now();
}

std::vector<int16_t> CapturedAudio::Samples() const {
  std::lock_guard lock(mutex_);
  return samples_;
}

size_t CapturedAudio::Size() const {
  std::lock_guard lock(mutex_);
  return samples_.size();
}

void CapturedAudio::Clear() {
  std::lock_guard lock(mutex_);
  samples_.clear();
}

CapturedAudio::Clock::time_point CapturedAudio::LastDelivery() const {
  std::lock_guard lock(mutex_);
  return last_delivery_;
}

EspeakVoice::EspeakVoice(EspeakOptions options) : options_(std::move(options)) {
  if (EngineTaken().exchange(true)) {
    throw PlatformError("espeak-ng is already speaking for another voice of this program");
  }
  try {
    StartEngine();
    if (options_.output == EspeakOptions::Output::kSoundDevice) StartAudio();
  } catch (const PlatformError&) {
    EngineTaken() = false;
    throw;
  }
  worker_ = std::thread([this] { Run(); });
}

EspeakVoice::~EspeakVoice() {
  Purge();
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  worker_.join();
  if (options_.output == EspeakOptions::Output::kSoundDevice) {
    if (device_ != 0) SDL_CloseAudioDevice(device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  EngineTaken() = false;
}

void EspeakVoice::StartEngine() {
  if (!EngineStarted()) {
    espeak_ng_InitializePath(nullptr);
    espeak_ng_ERROR_CONTEXT context = nullptr;
    const espeak_ng_STATUS status = espeak_ng_Initialize(&context);
    espeak_ng_ClearErrorContext(&context);
    Check(status, "cannot load its voice data");
    // Synchronous: espeak-ng's own queue stalls the caller for a sixth of a second when speech
    // follows a cancel, so the voice keeps its own queue and thread instead.
    Check(espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 0, nullptr),
          "cannot prepare its output");
    EngineStarted() = true;
  }
  espeak_SetSynthCallback(OnSynthesis);

  const espeak_VOICE** listed = espeak_ListVoices(nullptr);
  for (int i = 0; listed != nullptr && listed[i] != nullptr; ++i) {
    voices_.push_back({listed[i]->name ? listed[i]->name : "",
                       listed[i]->identifier ? listed[i]->identifier : ""});
  }
  if (espeak_ng_SetVoiceByName("en") != ENS_OK && !voices_.empty()) {
    Check(espeak_ng_SetVoiceByName(voices_.front().identifier.c_str()), "cannot choose a voice");
  }
  Check(espeak_ng_SetParameter(espeakRATE, SapiRateToWordsPerMinute(Rate()), 0), "rate");
  Check(espeak_ng_SetParameter(espeakVOLUME, Volume(), 0), "volume");
}

void EspeakVoice::StartAudio() {
  // A driver named for an earlier voice must not stick to this one.
  if (options_.audio_driver.empty()) {
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
  } else {
    SDL_SetHint(SDL_HINT_AUDIODRIVER, options_.audio_driver.c_str());
  }
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    throw PlatformError(std::string("no sound output for the voice: ") + SDL_GetError());
  }
  bytes_per_second_ = static_cast<uint32_t>(espeak_ng_GetSampleRate()) * sizeof(int16_t);
  bytes_ahead_ = static_cast<uint32_t>(bytes_per_second_ * kSecondsAhead);
  bytes_resume_ = static_cast<uint32_t>(bytes_per_second_ * (kSecondsAhead - kSecondsRefill));
  // Opened now, so that a missing device is known at start-up; it rests until the first words.
  if (std::string reason; !OpenDevice(reason)) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // Without a device the voice could only be silent: say so, so that the speech form reports
    // it instead of the program speaking into nothing.
    throw PlatformError("no sound device for the voice: " + reason);
  }
}

bool EspeakVoice::OpenDevice(std::string& reason) {
  SDL_AudioSpec wanted{};
  wanted.freq = espeak_ng_GetSampleRate();
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 1;
  wanted.samples = 512;  // about 23 ms: a purge is heard at once
  device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
  if (device_ == 0) {
    reason = SDL_GetError();
    return false;
  }
  SDL_PauseAudioDevice(device_, 0);
  drained_ = false;
  return true;
}

void EspeakVoice::RestDevice() {
  std::lock_guard lock(deliver_mutex_);
  if (device_ == 0) return;
  const bool drained = SDL_GetQueuedAudioSize(device_) == 0;
  if (drained && drained_) {
    SDL_CloseAudioDevice(device_);
    device_ = 0;
  }
  drained_ = drained;
}

void EspeakVoice::Enqueue(const std::string& text) {
  Push({Request::Kind::kSpeak, text});
}

void EspeakVoice::ApplyRate(int32_t rate) {
  Push({Request::Kind::kRate, "", SapiRateToWordsPerMinute(rate)});
}

void EspeakVoice::ApplyVolume(int32_t volume) {
  // SAPI's full volume is espeak-ng's normal volume.
  Push({Request::Kind::kVolume, "", volume});
}

void EspeakVoice::ApplyVoice(const InstalledVoice& voice) {
  Push({Request::Kind::kVoice, voice.identifier});
}

void EspeakVoice::Push(Request request) {
  {
    std::lock_guard lock(mutex_);
    // Bounded: a caller that only ever queues must not make the program grow without end.
    if (queue_.size() >= kMaxQueuedRequests ||
        queued_text_bytes_ + request.text.size() > kMaxQueuedTextBytes) {
      throw PlatformError("the voice has too much speech queued");
    }
    queued_text_bytes_ += request.text.size();
    queue_.push_back(std::move(request));
  }
  wake_.notify_one();
}

void EspeakVoice::Purge() {
  {
    // Settings stay queued: they apply to whatever is said next.
    std::lock_guard lock(mutex_);
    std::erase_if(queue_, [](const Request& r) { return r.kind == Request::Kind::kSpeak; });
    queued_text_bytes_ = 0;
    for (const Request& r : queue_) queued_text_bytes_ += r.text.size();
  }
  {
    std::lock_guard lock(deliver_mutex_);
    ++generation_;
    if (device_ != 0) SDL_ClearQueuedAudio(device_);
  }
  played_.notify_all();  // a synthesis waiting for the device gives up its utterance
}

void EspeakVoice::WaitUntilDone() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

uint32_t EspeakVoice::QueuedDeviceBytes() const {
  std::lock_guard lock(deliver_mutex_);
  return device_ != 0 ? SDL_GetQueuedAudioSize(device_) : 0;
}

bool EspeakVoice::DeviceOpen() const {
  std::lock_guard lock(deliver_mutex_);
  return device_ != 0;
}

bool EspeakVoice::Deliver(const int16_t* samples, int count) {
  std::unique_lock lock(deliver_mutex_);
  if (generation_ != speaking_generation_) return false;
  if (options_.output == EspeakOptions::Output::kSoundDevice) {
    if (device_ == 0) {
      // Woken from rest. A device that went away meanwhile leaves these words unheard; the
      // reason is said once, and the next words try again.
      std::string reason;
      if (!OpenDevice(reason)) {
        if (!std::exchange(reopen_failed_, true)) {
          std::cerr << "veltro-lander: the voice's sound device cannot be opened: " << reason
                    << "\n";
        }
        return true;
      }
      reopen_failed_ = false;
    }
    // Keep synthesis just ahead of playback: past the lead, rest until the device has played
    // kSecondsRefill of it (or a purge), so the thread wakes a few times a second, not per block.
    if (SDL_GetQueuedAudioSize(device_) > bytes_ahead_) {
      for (uint32_t queued; (queued = SDL_GetQueuedAudioSize(device_)) > bytes_resume_;) {
        const auto behind = std::chrono::microseconds(static_cast<int64_t>(queued - bytes_resume_) *
                                                      1000000 / bytes_per_second_);
        played_.wait_for(lock, std::max<std::chrono::microseconds>(behind, kShortestWait));
        if (generation_ != speaking_generation_) return false;
      }
    }
    SDL_QueueAudio(device_, samples, static_cast<uint32_t>(count) * sizeof(int16_t));
  } else if (options_.capture) {
    options_.capture->Append(samples, count);
  }
  return true;
}

void EspeakVoice::Run() {
  for (;;) {
    Request request;
    {
      std::unique_lock lock(mutex_);
      // With nothing to say, the device is looked at now and then until it can rest.
      while (!stopping_ && queue_.empty()) {
        if (options_.output != EspeakOptions::Output::kSoundDevice || !DeviceOpen()) {
          wake_.wait(lock);
        } else if (!wake_.wait_for(lock, options_.device_rest,
                                   [this] { return stopping_ || !queue_.empty(); })) {
          lock.unlock();
          RestDevice();
          lock.lock();
        }
      }
      if (stopping_) return;
      request = std::move(queue_.front());
      queue_.pop_front();
      queued_text_bytes_ -= request.text.size();
      busy_ = true;
      // Read under the same lock as the purge that removes queued speech: a request taken from
      // the queue belongs to the generation current at that moment.
      speaking_generation_ = generation_;
    }
    Perform(request);
    {
      std::lock_guard lock(mutex_);
      busy_ = false;
    }
    idle_.notify_all();
  }
}

void EspeakVoice::Perform(const Request& request) {
  // Failures here have no caller to go to; espeak-ng reports none that matter for one request.
  switch (request.kind) {
    case Request::Kind::kSpeak:
      espeak_ng_Synthesize(request.text.c_str(), request.text.size() + 1, 0, POS_CHARACTER, 0,
                           espeakCHARS_UTF8, nullptr, this);
      break;
    case Request::Kind::kRate:
      espeak_ng_SetParameter(espeakRATE, request.value, 0);
      break;
    case Request::Kind::kVolume:
      espeak_ng_SetParameter(espeakVOLUME, request.value, 0);
      break;
    case Request::Kind::kVoice:
      espeak_ng_SetVoiceByName(request.text.c_str());
      break;
  }
}

}  // namespace veltro::platform::desktop
