// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/openal/openal_sound_system.h"

#include <AL/al.h>

#include "platform/base/platform_error.h"
#include "platform/openal/openal_context.h"
#include "platform/openal/openal_sound_buffer.h"
#include "platform/openal/sound_conversions.h"

namespace veltro::platform::desktop {
namespace {

// The speed of sound in metres per second, which DirectSound's distance factor scales.
constexpr float kSpeedOfSound = 343.3f;

class OpenAlListener : public SoundListener {
 public:
  explicit OpenAlListener(std::shared_ptr<OpenAlContext> context) : context_(std::move(context)) {}

 protected:
  void ApplyPosition(Vector3 position) override {
    const Vector3 al = ToOpenAlAxes(position);
    context_->MakeCurrent();
    alListener3f(AL_POSITION, al.x, al.y, al.z);
    CheckAlError("Placing the listener");
  }
  void ApplyOrientation(Vector3 front, Vector3 top) override {
    const Vector3 at = ToOpenAlAxes(front), up = ToOpenAlAxes(top);
    const ALfloat orientation[6] = {at.x, at.y, at.z, up.x, up.y, up.z};
    context_->MakeCurrent();
    alListenerfv(AL_ORIENTATION, orientation);
    CheckAlError("Turning the listener");
  }
  void ApplyRolloffFactor(float factor) override { context_->SetRolloffFactor(factor); }
  void ApplyDistanceFactor(float metres_per_unit) override {
    context_->MakeCurrent();
    alSpeedOfSound(kSpeedOfSound / metres_per_unit);
    CheckAlError("Setting the distance factor");
  }

 private:
  std::shared_ptr<OpenAlContext> context_;
};

// OpenAL mixes by itself and chooses its output format: the primary buffer only hands out the
// listener.
class OpenAlPrimaryBuffer : public PrimarySoundBuffer {
 public:
  OpenAlPrimaryBuffer(std::shared_ptr<OpenAlContext> context, int32_t flags)
      : PrimarySoundBuffer(flags), context_(std::move(context)) {}

 protected:
  std::shared_ptr<SoundListener> MakeListener() override {
    return std::make_shared<OpenAlListener>(context_);
  }

 private:
  std::shared_ptr<OpenAlContext> context_;
};

class OpenAlSoundDevice : public SoundDevice {
 public:
  explicit OpenAlSoundDevice(std::shared_ptr<OpenAlContext> context)
      : context_(std::move(context)) {}

 protected:
  std::shared_ptr<PrimarySoundBuffer> MakePrimaryBuffer(int32_t flags) override {
    return std::make_shared<OpenAlPrimaryBuffer>(context_, flags);
  }
  std::shared_ptr<SoundBuffer> MakeBuffer(const BufferDesc& desc,
                                          std::vector<uint8_t> silence) override {
    auto pcm = std::make_shared<OpenAlPcm>(context_, desc.Format, std::move(silence), true);
    return std::make_shared<OpenAlSoundBuffer>(desc.Flags, std::move(pcm), true);
  }
  std::shared_ptr<SoundBuffer> MakeBufferFromAudio(const BufferDesc& desc, AudioData audio,
                                                   const std::string& /*path*/) override {
    auto pcm = std::make_shared<OpenAlPcm>(context_, audio.format, std::move(audio.pcm), false);
    return std::make_shared<OpenAlSoundBuffer>(desc.Flags, std::move(pcm), false);
  }
  std::shared_ptr<SoundBuffer> MakeDuplicate(SoundBuffer& source) override {
    auto* buffer = dynamic_cast<OpenAlSoundBuffer*>(&source);
    if (buffer == nullptr || buffer->pcm()->context() != context_) {
      throw PlatformError("Cannot duplicate a sound buffer of another device");
    }
    // The copy cannot rewrite the shared data either.
    return std::make_shared<OpenAlSoundBuffer>(buffer->flags(), buffer->pcm(), false);
  }

 private:
  std::shared_ptr<OpenAlContext> context_;
};

}  // namespace

std::unique_ptr<OpenAlSoundSystem> OpenAlSoundSystem::Loopback(int sample_rate) {
  auto system = std::make_unique<OpenAlSoundSystem>();
  system->loopback_rate_ = sample_rate;
  return system;
}

std::shared_ptr<SoundDevice> OpenAlSoundSystem::MakeDevice(const std::string& device_id) {
  std::shared_ptr<OpenAlContext> context = loopback_rate_ > 0
                                               ? OpenAlContext::OpenLoopback(loopback_rate_)
                                               : OpenAlContext::OpenOutput(device_id);
  last_context_ = context;
  return std::make_shared<OpenAlSoundDevice>(std::move(context));
}

std::vector<float> OpenAlSoundSystem::Render(int frames) {
  std::shared_ptr<OpenAlContext> context = last_context_.lock();
  if (!context) throw PlatformError("No sound device is open to render");
  return context->Render(frames);
}

void OpenAlSoundSystem::RestIfSilent() {
  if (std::shared_ptr<OpenAlContext> context = CurrentContext()) context->RestIfSilent();
}

}  // namespace veltro::platform::desktop
