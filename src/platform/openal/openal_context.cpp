// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/openal/openal_context.h"

#include <AL/alext.h>

#include <chrono>
#include <limits>
#include <thread>

#include "platform/base/platform_error.h"

namespace veltro::platform::desktop {
namespace {

// Attributes common to both kinds of device: no HRTF, so the stereo panning of sources is the
// plain one the pan conversion was measured on.
void AddCommonAttributes(ALCdevice* device, std::vector<ALCint>& attributes) {
  if (alcIsExtensionPresent(device, "ALC_SOFT_HRTF") == ALC_TRUE) {
    attributes.insert(attributes.end(), {ALC_HRTF_SOFT, ALC_FALSE});
  }
  attributes.push_back(0);
}

// ALC_EXT_thread_local_context's call, declared here: not every OpenAL header names its type.
using SetThreadContext = ALCboolean (*)(ALCcontext*);
// ALC_SOFT_device_clock's call and query, likewise.
using GetInteger64 = void (*)(ALCdevice*, ALCenum, ALCsizei, int64_t*);
constexpr ALCenum kDeviceClock = 0x1600;

// A fade is mixed within two periods of the moment it begins: the ramp fills the first period
// mixed after it, and one may already be in progress.
constexpr int kPeriodsPerFade = 2;
// Closing the device waits at most this long for sources still fading out.
constexpr auto kLongestCloseWait = std::chrono::milliseconds(100);

int64_t SteadyNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

template <class Function>
Function AlcFunction(const char* name) {
  void* address = alcGetProcAddress(nullptr, name);
  if (address == nullptr) throw PlatformError(std::string("OpenAL lacks ") + name);
  return reinterpret_cast<Function>(address);
}

}  // namespace

std::shared_ptr<OpenAlContext> OpenAlContext::OpenOutput(const std::string& device_name) {
  ALCdevice* device = alcOpenDevice(device_name.empty() ? nullptr : device_name.c_str());
  if (device == nullptr) {
    throw PlatformError(device_name.empty()
                            ? "No sound output device could be opened"
                            : "The sound device \"" + device_name + "\" could not be opened");
  }
  std::shared_ptr<OpenAlContext> context(new OpenAlContext(device, false));
  std::vector<ALCint> attributes;
  AddCommonAttributes(device, attributes);
  context->CreateContext(attributes);
  return context;
}

std::shared_ptr<OpenAlContext> OpenAlContext::OpenLoopback(int sample_rate) {
  if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE) {
    throw PlatformError("OpenAL has no loopback device");
  }
  const auto open = AlcFunction<LPALCLOOPBACKOPENDEVICESOFT>("alcLoopbackOpenDeviceSOFT");
  ALCdevice* device = open(nullptr);
  if (device == nullptr) throw PlatformError("The OpenAL loopback device could not be opened");
  std::shared_ptr<OpenAlContext> context(new OpenAlContext(device, true));
  std::vector<ALCint> attributes = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT,
                                    ALC_FLOAT_SOFT,           ALC_FREQUENCY,   sample_rate};
  AddCommonAttributes(device, attributes);
  context->CreateContext(attributes);
  return context;
}

void OpenAlContext::CreateContext(const std::vector<ALCint>& attributes) {
  context_ = alcCreateContext(device_, attributes.data());
  if (context_ == nullptr) throw PlatformError("OpenAL could not create a sound context");
  MakeCurrent();
  ALCint refresh = 0;
  alcGetIntegerv(device_, ALC_REFRESH, 1, &refresh);
  if (refresh > 0) period_nanoseconds_ = 1'000'000'000 / refresh;
  if (alcIsExtensionPresent(device_, "ALC_SOFT_device_clock") == ALC_TRUE) {
    get_clock_ = alcGetProcAddress(device_, "alcGetInteger64vSOFT");
  }
}

OpenAlContext::~OpenAlContext() {
  if (context_ != nullptr) {
    if (!fades_.empty() && !loopback_) {
      // Sources still fading out are given the moment their fade takes, and no more.
      int64_t last_done = 0;
      for (const auto& [id, fade] : fades_) last_done = std::max(last_done, fade.done_at);
      const auto give_up = std::chrono::steady_clock::now() + kLongestCloseWait;
      while (MixedNanoseconds() < last_done && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    }
    if (TryStep([this] { MakeCurrent(); })) RunFinishedFades(true);
    if (alcGetCurrentContext() == context_) alcMakeContextCurrent(nullptr);
    alcDestroyContext(context_);
  }
  alcCloseDevice(device_);
}

void OpenAlContext::MakeCurrent() {
  if (alcGetCurrentContext() != context_ && alcMakeContextCurrent(context_) != ALC_TRUE) {
    throw PlatformError("OpenAL could not select its sound context");
  }
}

void OpenAlContext::MakeCurrentOnThisThread() {
  if (alcIsExtensionPresent(device_, "ALC_EXT_thread_local_context") != ALC_TRUE) {
    throw PlatformError("OpenAL has no thread-local contexts");
  }
  const auto set = AlcFunction<SetThreadContext>("alcSetThreadContext");
  if (set(context_) != ALC_TRUE) throw PlatformError("OpenAL could not select its sound context");
}

void OpenAlContext::ReleaseThisThread() {
  if (alcIsExtensionPresent(nullptr, "ALC_EXT_thread_local_context") == ALC_TRUE) {
    reinterpret_cast<SetThreadContext>(alcGetProcAddress(nullptr, "alcSetThreadContext"))(nullptr);
  }
}

std::vector<float> OpenAlContext::Render(int frames) {
  if (!loopback_) throw PlatformError("Only a loopback device renders into memory");
  const auto render = AlcFunction<LPALCRENDERSAMPLESSOFT>("alcRenderSamplesSOFT");
  std::vector<float> samples(static_cast<size_t>(frames) * 2);
  render(device_, samples.data(), frames);
  return samples;
}

int64_t OpenAlContext::MixedNanoseconds() {
  if (get_clock_ == nullptr) return SteadyNanoseconds();
  int64_t clock = 0;
  reinterpret_cast<GetInteger64>(get_clock_)(device_, kDeviceClock, 1, &clock);
  return clock;
}

OpenAlContext::FadeId OpenAlContext::AfterFade(std::function<void()> finish) {
  const int64_t done_at = MixedNanoseconds() + kPeriodsPerFade * period_nanoseconds_;
  std::lock_guard lock(fades_mutex_);
  const FadeId id = next_fade_++;
  fades_[id] = {done_at, std::move(finish)};
  return id;
}

void OpenAlContext::CancelFade(FadeId id) {
  std::lock_guard lock(fades_mutex_);
  fades_.erase(id);
}

void OpenAlContext::DeleteAfterFade(std::vector<ALuint> sources, std::vector<ALuint> buffers) {
  AfterFade([sources = std::move(sources), buffers = std::move(buffers)] {
    // One source at a time: the browser's OpenAL (Emscripten 3.1.6) fails in alSourceStopv.
    for (ALuint source : sources) {
      alSourceStop(source);
      alSourcei(source, AL_BUFFER, 0);  // unqueues its buffers
    }
    alDeleteSources(static_cast<ALsizei>(sources.size()), sources.data());
    alDeleteBuffers(static_cast<ALsizei>(buffers.size()), buffers.data());
    alGetError();  // what fails here only leaks until the device closes
  });
}

void OpenAlContext::DeleteBufferWhenUnused(ALuint buffer) {
  std::lock_guard lock(fades_mutex_);
  unused_buffers_.push_back(buffer);
}

void OpenAlContext::SettleFades() {
  {
    std::lock_guard lock(fades_mutex_);
    if (fades_.empty() && unused_buffers_.empty()) return;
  }
  MakeCurrent();
  RunFinishedFades(false);
}

void OpenAlContext::RunFinishedFades(bool all) {
  const int64_t now = all ? std::numeric_limits<int64_t>::max() : MixedNanoseconds();
  std::vector<std::function<void()>> finished;
  {
    std::lock_guard lock(fades_mutex_);
    for (auto fade = fades_.begin(); fade != fades_.end();) {
      if (fade->second.done_at > now) {
        ++fade;
        continue;
      }
      finished.push_back(std::move(fade->second.finish));
      fade = fades_.erase(fade);
    }
  }
  for (auto& finish : finished) TryStep(finish);
  std::lock_guard lock(fades_mutex_);
  std::erase_if(unused_buffers_, [](ALuint buffer) {
    alDeleteBuffers(1, &buffer);
    return alGetError() == AL_NO_ERROR;  // refused while a source still plays it
  });
}

void OpenAlContext::RestIfSilent() {
#ifndef __EMSCRIPTEN__  // a browser's audio, once suspended, comes back only when it pleases
  if (loopback_ || resting_ ||
      alcIsExtensionPresent(device_, "ALC_SOFT_pause_device") != ALC_TRUE) {
    return;
  }
  {
    std::lock_guard lock(fades_mutex_);
    if (!fades_.empty()) return;  // a fade must be mixed to its end, or it clicks
  }
  MakeCurrent();
  for (ALuint source : sources_) {
    ALint state = AL_INITIAL;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    if (state == AL_PLAYING) return;
  }
  AlcFunction<LPALCDEVICEPAUSESOFT>("alcDevicePauseSOFT")(device_);
  resting_ = alcGetError(device_) == ALC_NO_ERROR;
#endif
}

void OpenAlContext::Wake() {
#ifndef __EMSCRIPTEN__  // never resting there
  if (!resting_) return;
  AlcFunction<LPALCDEVICERESUMESOFT>("alcDeviceResumeSOFT")(device_);
  resting_ = false;
#endif
}

void OpenAlContext::SetRolloffFactor(float factor) {
  MakeCurrent();
  for (ALuint source : sources_3d_) alSourcef(source, AL_ROLLOFF_FACTOR, factor);
  CheckAlError("Setting the rolloff factor");
  rolloff_factor_ = factor;
}

void CheckAlError(const char* what) {
  const ALenum error = alGetError();
  if (error != AL_NO_ERROR) {
    const ALchar* text = alGetString(error);
    throw PlatformError(std::string(what) + " failed: " + (text != nullptr ? text : "AL error"));
  }
}

}  // namespace veltro::platform::desktop
