#include "platform/desktop/openal_context.h"

#include <AL/alext.h>

#include "platform/platform_error.h"

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
}

OpenAlContext::~OpenAlContext() {
  if (context_ != nullptr) {
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

void OpenAlContext::RestIfSilent() {
#ifndef __EMSCRIPTEN__  // a browser's audio, once suspended, comes back only when it pleases
  if (loopback_ || resting_ ||
      alcIsExtensionPresent(device_, "ALC_SOFT_pause_device") != ALC_TRUE) {
    return;
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
