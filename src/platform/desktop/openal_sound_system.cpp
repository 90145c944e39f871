#include "platform/desktop/openal_sound_system.h"

#include <AL/al.h>

#include "platform/audio_file.h"
#include "platform/desktop/openal_context.h"
#include "platform/desktop/openal_sound_buffer.h"
#include "platform/desktop/sound_conversions.h"
#include "platform/platform_error.h"

namespace veltro::platform::desktop {
namespace {

// The speed of sound in metres per second, which DirectSound's distance factor scales.
constexpr float kSpeedOfSound = 343.3f;

class OpenAlListener : public SoundListener {
 public:
  explicit OpenAlListener(std::shared_ptr<OpenAlContext> context) : context_(std::move(context)) {}

  void SetPosition(Vector3 position, int32_t /*apply*/) override {
    const Vector3 al = ToOpenAlAxes(position);
    context_->MakeCurrent();
    alListener3f(AL_POSITION, al.x, al.y, al.z);
    CheckAlError("Placing the listener");
  }
  void SetOrientation(Vector3 front, Vector3 top, int32_t /*apply*/) override {
    const Vector3 at = ToOpenAlAxes(front), up = ToOpenAlAxes(top);
    const ALfloat orientation[6] = {at.x, at.y, at.z, up.x, up.y, up.z};
    context_->MakeCurrent();
    alListenerfv(AL_ORIENTATION, orientation);
    CheckAlError("Turning the listener");
  }
  void SetRolloffFactor(float factor, int32_t /*apply*/) override {
    if (!(factor >= 0 && factor <= 10)) throw PlatformError("Rolloff factor out of range");
    context_->SetRolloffFactor(factor);
  }
  void SetDistanceFactor(float metres_per_unit, int32_t /*apply*/) override {
    if (!(metres_per_unit > 0)) throw PlatformError("Distance factor must be positive");
    context_->MakeCurrent();
    alSpeedOfSound(kSpeedOfSound / metres_per_unit);
    CheckAlError("Setting the distance factor");
  }

 private:
  std::shared_ptr<OpenAlContext> context_;
};

// OpenAL mixes by itself and chooses its output format: the primary buffer only checks what it
// is given and hands out the listener.
class OpenAlPrimaryBuffer : public PrimarySoundBuffer {
 public:
  OpenAlPrimaryBuffer(std::shared_ptr<OpenAlContext> context, int32_t flags)
      : context_(std::move(context)), flags_(flags) {}

  void Play(int32_t flags) override {
    if ((flags & DSBPLAY_LOOPING) == 0) {
      throw PlatformError("The primary buffer plays only looping");
    }
  }
  void SetFormat(const WaveFormat& format) override { CheckOutputFormat(format); }
  std::shared_ptr<SoundListener> GetDirectSound3DListener() override {
    if ((flags_ & DSBCAPS_CTRL3D) == 0) {
      throw PlatformError("The primary buffer has no 3D control");
    }
    return std::make_shared<OpenAlListener>(context_);
  }

 private:
  std::shared_ptr<OpenAlContext> context_;
  int32_t flags_;
};

class OpenAlSoundDevice : public SoundDevice {
 public:
  explicit OpenAlSoundDevice(std::shared_ptr<OpenAlContext> context)
      : context_(std::move(context)) {}

  void SetCooperativeLevel(int32_t /*level*/) override {}

  std::shared_ptr<PrimarySoundBuffer> CreatePrimaryBuffer(const BufferDesc& desc) override {
    if ((desc.Flags & DSBCAPS_PRIMARYBUFFER) == 0) {
      throw PlatformError("A primary buffer needs the primary-buffer flag");
    }
    return std::make_shared<OpenAlPrimaryBuffer>(context_, desc.Flags);
  }

  std::shared_ptr<SoundBuffer> CreateSoundBuffer(const BufferDesc& desc) override {
    CheckBufferFormat(desc, desc.Format);
    if (desc.BufferBytes <= 0 || desc.BufferBytes > kMaxDecodedAudioBytes ||
        desc.BufferBytes % desc.Format.BlockAlign != 0) {
      throw PlatformError("Invalid sound buffer size " + std::to_string(desc.BufferBytes));
    }
    // Silence until written: 0 for 16-bit samples, the midpoint 128 for unsigned 8-bit ones.
    std::vector<uint8_t> silence(static_cast<size_t>(desc.BufferBytes),
                                 desc.Format.BitsPerSample == 8 ? 128 : 0);
    auto pcm = std::make_shared<OpenAlPcm>(context_, desc.Format, std::move(silence), true);
    return std::make_shared<OpenAlSoundBuffer>(desc.Flags, std::move(pcm));
  }

  std::shared_ptr<SoundBuffer> CreateSoundBufferFromFile(const std::string& path,
                                                         const BufferDesc& desc) override {
    AudioData audio = LoadAudioFile(path);
    CheckBufferFormat(desc, audio.format);
    auto pcm = std::make_shared<OpenAlPcm>(context_, audio.format, std::move(audio.pcm), false);
    return std::make_shared<OpenAlSoundBuffer>(desc.Flags, std::move(pcm));
  }

  std::shared_ptr<SoundBuffer> DuplicateSoundBuffer(SoundBuffer& source) override {
    auto* buffer = dynamic_cast<OpenAlSoundBuffer*>(&source);
    if (buffer == nullptr || buffer->pcm()->context() != context_) {
      throw PlatformError("Cannot duplicate a sound buffer of another device");
    }
    return buffer->Duplicate();
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

std::shared_ptr<SoundDevice> OpenAlSoundSystem::DirectSoundCreate(const std::string& device_id) {
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

}  // namespace veltro::platform::desktop
