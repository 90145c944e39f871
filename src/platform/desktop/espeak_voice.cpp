#include "platform/desktop/espeak_voice.h"

#include <SDL.h>
#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <atomic>
#include <cmath>

#include "platform/platform_error.h"

namespace veltro::platform::desktop {

namespace {

constexpr int kNormalWordsPerMinute = 175;  // espeak-ng's own normal pace
constexpr int kSlowestWordsPerMinute = 80;  // espeak-ng gets no slower than this

// espeak-ng holds its engine in process-wide state; this marks it taken by one voice.
std::atomic<bool>& EngineTaken() {
  static std::atomic<bool> taken{false};
  return taken;
}

std::string StatusText(espeak_ng_STATUS status) {
  char text[256] = {};
  espeak_ng_GetStatusCodeMessage(status, text, sizeof text);
  return text;
}

void Check(espeak_ng_STATUS status, const std::string& what) {
  if (status != ENS_OK) throw PlatformError("espeak-ng: " + what + ": " + StatusText(status));
}

// Runs on espeak-ng's synthesis thread: hands the samples to the voice's sink, or asks espeak-ng
// to abandon the utterance while a purge waits (it would otherwise finish it first).
int OnSynthesis(short* samples, int count, espeak_EVENT* events) {
  auto* sink = events != nullptr ? static_cast<EspeakVoice::Sink*>(events->user_data) : nullptr;
  if (sink == nullptr) return 0;
  if (sink->purging) return 1;
  if (samples != nullptr && count > 0 && sink->capture != nullptr) {
    sink->capture->Append(samples, count);
  }
  return 0;
}

// espeak-ng opens its sound device only when it first speaks, and without one it just drops the
// speech (its status reports nothing). So ask the same sound servers (PulseAudio, then ALSA)
// through SDL whether the default output can be opened at all, before choosing it.
bool DefaultSoundDeviceOpens(std::string& reason) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    reason = SDL_GetError();
    return false;
  }
  SDL_AudioSpec wanted{};
  wanted.freq = 22050;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 1;
  wanted.samples = 1024;
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
  if (device == 0) reason = SDL_GetError();
  if (device != 0) SDL_CloseAudioDevice(device);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  return device != 0;
}

class EspeakToken : public VoiceToken {
 public:
  explicit EspeakToken(EspeakVoice::InstalledVoice voice) : voice_(std::move(voice)) {}
  std::string GetDescription() override { return voice_.name; }
  const std::string& Identifier() const { return voice_.identifier; }

 private:
  EspeakVoice::InstalledVoice voice_;
};

class EspeakTokens : public VoiceTokens {
 public:
  explicit EspeakTokens(std::vector<EspeakVoice::InstalledVoice> voices)
      : voices_(std::move(voices)) {}
  int32_t Count() override { return static_cast<int32_t>(voices_.size()); }
  std::shared_ptr<VoiceToken> Item(int32_t index) override {
    if (index < 0 || index >= Count()) {
      throw PlatformError("there is no installed voice number " + std::to_string(index));
    }
    return std::make_shared<EspeakToken>(voices_[index]);
  }

 private:
  std::vector<EspeakVoice::InstalledVoice> voices_;
};

}  // namespace

int SapiRateToWordsPerMinute(int32_t rate) {
  // Faster: SAPI's own rule, three times the pace ten steps up (espeak-ng reaches the high paces
  // through its time-stretching). Slower: espeak-ng's slowest pace spread over the ten steps down.
  const double steps = rate / 10.0;
  const double wpm =
      rate >= 0 ? kNormalWordsPerMinute * std::pow(3.0, steps)
                : kNormalWordsPerMinute *
                      std::pow(double{kSlowestWordsPerMinute} / kNormalWordsPerMinute, -steps);
  return static_cast<int>(std::lround(wpm));
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

void CapturedAudio::Clear() {
  std::lock_guard lock(mutex_);
  samples_.clear();
}

CapturedAudio::Clock::time_point CapturedAudio::LastDelivery() const {
  std::lock_guard lock(mutex_);
  return last_delivery_;
}

EspeakVoice::EspeakVoice(EspeakOptions options) : options_(std::move(options)) {
  sink_.capture = options_.capture.get();
  std::string reason;
  if (options_.output == EspeakOptions::Output::kSoundDevice && options_.device.empty() &&
      !DefaultSoundDeviceOpens(reason)) {
    // Without a device the voice could only be silent: say so, so that the speech form reports
    // it instead of the program speaking into nothing.
    throw PlatformError("no sound device for the espeak-ng voice: " + reason);
  }
  if (EngineTaken().exchange(true)) {
    throw PlatformError("espeak-ng is already speaking for another voice of this program");
  }
  try {
    Start();
  } catch (const PlatformError&) {
    if (output_started_) espeak_ng_Terminate();
    EngineTaken() = false;
    throw;
  }
}

EspeakVoice::~EspeakVoice() {
  sink_.purging = true;
  espeak_ng_Cancel();
  espeak_ng_Terminate();  // joins espeak-ng's threads: no callback runs after this
  EngineTaken() = false;
}

void EspeakVoice::Start() {
  espeak_ng_InitializePath(nullptr);
  espeak_ng_ERROR_CONTEXT context = nullptr;
  const espeak_ng_STATUS status = espeak_ng_Initialize(&context);
  espeak_ng_ClearErrorContext(&context);
  Check(status, "cannot load its voice data");

  const bool to_device = options_.output == EspeakOptions::Output::kSoundDevice;
  espeak_SetSynthCallback(to_device ? nullptr : OnSynthesis);
  Check(espeak_ng_InitializeOutput(to_device ? ENOUTPUT_MODE_SPEAK_AUDIO : espeak_ng_OUTPUT_MODE{},
                                   0, options_.device.empty() ? nullptr : options_.device.c_str()),
        "cannot prepare its output");
  output_started_ = true;

  // The installed voices do not change while the program runs; read them while nothing speaks.
  const espeak_VOICE** listed = espeak_ListVoices(nullptr);
  for (int i = 0; listed != nullptr && listed[i] != nullptr; ++i) {
    voices_.push_back({listed[i]->name ? listed[i]->name : "",
                       listed[i]->identifier ? listed[i]->identifier : ""});
  }
  if (espeak_ng_SetVoiceByName("en") != ENS_OK && !voices_.empty()) {
    Check(espeak_ng_SetVoiceByName(voices_.front().identifier.c_str()), "cannot choose a voice");
  }
  ApplySettings();
}

void EspeakVoice::ApplySettings() {
  Check(espeak_ng_SetParameter(espeakRATE, SapiRateToWordsPerMinute(rate_), 0), "rate");
  Check(espeak_ng_SetParameter(espeakVOLUME, volume_, 0), "volume");
}

void EspeakVoice::Speak(const std::optional<std::string>& text, int32_t flags) {
  if (flags & SVSFPurgeBeforeSpeak) Cancel();
  if (!text || text->empty()) return;
  Check(espeak_ng_Synthesize(text->c_str(), text->size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8,
                             nullptr, &sink_),
        "cannot speak");
  if ((flags & SVSFlagsAsync) == 0) WaitUntilDone();
}

void EspeakVoice::SetRate(int32_t rate) {
  if (rate < -10 || rate > 21) {
    throw PlatformError("the voice rate must lie between -10 and 21, not " + std::to_string(rate));
  }
  // Queued behind what is being said, like every setting of espeak-ng's speaking thread.
  Check(espeak_ng_SetParameter(espeakRATE, SapiRateToWordsPerMinute(rate), 0), "rate");
  rate_ = rate;
}

void EspeakVoice::SetVolume(int32_t volume) {
  if (volume < 0 || volume > 100) {
    throw PlatformError("the voice volume must lie between 0 and 100, not " +
                        std::to_string(volume));
  }
  // SAPI's full volume is espeak-ng's normal volume.
  Check(espeak_ng_SetParameter(espeakVOLUME, volume, 0), "volume");
  volume_ = volume;
}

std::shared_ptr<VoiceTokens> EspeakVoice::GetVoices(const std::string&, const std::string&) {
  return std::make_shared<EspeakTokens>(voices_);
}

void EspeakVoice::SetVoice(std::shared_ptr<VoiceToken> voice) {
  auto* token = dynamic_cast<EspeakToken*>(voice.get());
  if (token == nullptr) throw PlatformError("that voice does not belong to espeak-ng");
  // espeak-ng changes voices at once rather than in its queue, so its speaking thread must be
  // idle first: the change cuts off what is being said.
  Cancel();
  Check(espeak_ng_SetVoiceByName(token->Identifier().c_str()),
        "cannot choose " + token->GetDescription());
  ApplySettings();
}

void EspeakVoice::Cancel() {
  sink_.purging = true;
  const espeak_ng_STATUS status = espeak_ng_Cancel();  // returns once espeak-ng's thread is idle
  sink_.purging = false;
  Check(status, "cannot stop");
  // Cancelling also drops settings still waiting in the queue and returns to those of the
  // utterance it cut off: queue the current ones again for what comes next.
  ApplySettings();
}

void EspeakVoice::WaitUntilDone() {
  espeak_ng_Synchronize();
}

}  // namespace veltro::platform::desktop
