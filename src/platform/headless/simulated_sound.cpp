#include "platform/headless/simulated_sound.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/audio_file.h"
#include "platform/platform_error.h"

namespace veltro::platform::headless {
namespace {

// DirectSound's limits for a secondary buffer.
constexpr int32_t kMinVolume = -10000;
constexpr int32_t kMaxPan = 10000;

void RequireControl(int32_t flags, int32_t control, const char* what) {
  if ((flags & control) == 0) {
    throw PlatformError(std::string("The sound buffer has no ") + what + " control");
  }
}

class SimulatedSound3DBuffer : public Sound3DBuffer {
 public:
  explicit SimulatedSound3DBuffer(std::shared_ptr<Simulated3DState> state)
      : state_(std::move(state)) {}

  void SetPosition(Vector3 position, int32_t apply) override {
    if (apply == DS3D_DEFERRED) {
      state_->deferred_position = position;
      state_->has_deferred_position = true;
    } else {
      state_->position = position;
    }
  }
  void SetMinDistance(float distance, int32_t /*apply*/) override {
    if (!(distance > 0)) throw PlatformError("The minimum distance must be positive");
    state_->min_distance = distance;
  }
  void SetConeAngles(int32_t inside_degrees, int32_t outside_degrees, int32_t /*apply*/) override {
    if (inside_degrees < 0 || outside_degrees > 360 || inside_degrees > outside_degrees) {
      throw PlatformError("Cone angles must satisfy 0 <= inside <= outside <= 360");
    }
    state_->inside_cone_degrees = inside_degrees;
    state_->outside_cone_degrees = outside_degrees;
  }

 private:
  std::shared_ptr<Simulated3DState> state_;
};

struct ListenerState {
  Vector3 position;
  Vector3 front{0, 0, 1}, top{0, 1, 0};
  float rolloff_factor = 1.0f;
  float distance_factor = 1.0f;
};

class SimulatedListener : public SoundListener {
 public:
  void SetPosition(Vector3 position, int32_t /*apply*/) override { state_.position = position; }
  void SetOrientation(Vector3 front, Vector3 top, int32_t /*apply*/) override {
    state_.front = front;
    state_.top = top;
  }
  void SetRolloffFactor(float factor, int32_t /*apply*/) override {
    if (!(factor >= 0 && factor <= 10)) throw PlatformError("Rolloff factor out of range");
    state_.rolloff_factor = factor;
  }
  void SetDistanceFactor(float metres_per_unit, int32_t /*apply*/) override {
    if (!(metres_per_unit > 0)) throw PlatformError("Distance factor must be positive");
    state_.distance_factor = metres_per_unit;
  }

 private:
  ListenerState state_;
};

class SimulatedPrimaryBuffer : public PrimarySoundBuffer {
 public:
  explicit SimulatedPrimaryBuffer(int32_t flags) : flags_(flags) {}

  void Play(int32_t flags) override {
    if ((flags & DSBPLAY_LOOPING) == 0) {
      throw PlatformError("The primary buffer plays only looping");
    }
  }
  void SetFormat(const WaveFormat& format) override { CheckOutputFormat(format); }
  std::shared_ptr<SoundListener> GetDirectSound3DListener() override {
    RequireControl(flags_, DSBCAPS_CTRL3D, "3D");
    if (!listener_) listener_ = std::make_shared<SimulatedListener>();
    return listener_;
  }

 private:
  int32_t flags_;
  std::shared_ptr<SimulatedListener> listener_;
};

class SimulatedSoundDevice : public SoundDevice {
 public:
  explicit SimulatedSoundDevice(VirtualClock& clock) : clock_(clock) {}

  void SetCooperativeLevel(int32_t /*level*/) override {}

  std::shared_ptr<PrimarySoundBuffer> CreatePrimaryBuffer(const BufferDesc& desc) override {
    if ((desc.Flags & DSBCAPS_PRIMARYBUFFER) == 0) {
      throw PlatformError("A primary buffer needs the primary-buffer flag");
    }
    return std::make_shared<SimulatedPrimaryBuffer>(desc.Flags);
  }

  std::shared_ptr<SoundBuffer> CreateSoundBuffer(const BufferDesc& desc) override {
    CheckBufferFormat(desc, desc.Format);
    if (desc.BufferBytes <= 0 || desc.BufferBytes > kMaxDecodedAudioBytes ||
        desc.BufferBytes % desc.Format.BlockAlign != 0) {
      throw PlatformError("Invalid sound buffer size " + std::to_string(desc.BufferBytes));
    }
    auto data = std::make_shared<SimulatedSoundData>();
    data->format = desc.Format;
    data->pcm.assign(static_cast<size_t>(desc.BufferBytes), 0);
    return std::make_shared<SimulatedSoundBuffer>(clock_, desc.Flags, std::move(data));
  }

  std::shared_ptr<SoundBuffer> CreateSoundBufferFromFile(const std::string& path,
                                                         const BufferDesc& desc) override {
    AudioData audio = LoadAudioFile(path);
    CheckBufferFormat(desc, audio.format);
    auto data = std::make_shared<SimulatedSoundData>();
    data->format = audio.format;
    data->pcm = std::move(audio.pcm);
    return std::make_shared<SimulatedSoundBuffer>(clock_, desc.Flags, std::move(data));
  }

  std::shared_ptr<SoundBuffer> DuplicateSoundBuffer(SoundBuffer& source) override {
    auto* simulated = dynamic_cast<SimulatedSoundBuffer*>(&source);
    if (simulated == nullptr) throw PlatformError("Cannot duplicate a foreign sound buffer");
    auto copy =
        std::make_shared<SimulatedSoundBuffer>(clock_, simulated->flags(), simulated->data());
    copy->CopySettingsFrom(*simulated);  // a duplicate starts with the original's settings
    return copy;
  }

 private:
  VirtualClock& clock_;
};

}  // namespace

std::shared_ptr<SoundDevice> SimulatedSoundSystem::DirectSoundCreate(
    const std::string& /*device_id*/) {
  if (device_missing_) throw PlatformError("No sound device is present");
  return std::make_shared<SimulatedSoundDevice>(clock_);
}

SimulatedSoundBuffer::SimulatedSoundBuffer(VirtualClock& clock, int32_t flags,
                                           std::shared_ptr<SimulatedSoundData> data)
    : clock_(clock), flags_(flags), data_(std::move(data)), position_time_(clock.Now()) {}

void SimulatedSoundBuffer::SetVolume(int32_t hundredths_db) {
  RequireControl(flags_, DSBCAPS_CTRLVOLUME, "volume");
  if (hundredths_db < kMinVolume || hundredths_db > 0) {
    throw PlatformError("Volume out of range: " + std::to_string(hundredths_db));
  }
  volume_ = hundredths_db;
}

void SimulatedSoundBuffer::SetPan(int32_t hundredths_db) {
  RequireControl(flags_, DSBCAPS_CTRLPAN, "pan");
  if (hundredths_db < -kMaxPan || hundredths_db > kMaxPan) {
    throw PlatformError("Pan out of range: " + std::to_string(hundredths_db));
  }
  pan_ = hundredths_db;
}

void SimulatedSoundBuffer::SetFrequency(int32_t hertz) {
  RequireControl(flags_, DSBCAPS_CTRLFREQUENCY, "frequency");
  if (hertz != 0 && (hertz < kMinBufferFrequency || hertz > kMaxBufferFrequency)) {
    throw PlatformError("Frequency out of range: " + std::to_string(hertz));
  }
  CatchUp();  // the part played so far was played at the old rate
  frequency_ = hertz;
}

void SimulatedSoundBuffer::CopySettingsFrom(const SimulatedSoundBuffer& original) {
  volume_ = original.volume_;
  pan_ = original.pan_;
  frequency_ = original.frequency_;
}

int32_t SimulatedSoundBuffer::GetFrequency() {
  return EffectiveFrequency();
}

int32_t SimulatedSoundBuffer::EffectiveFrequency() const {
  return frequency_ != 0 ? frequency_ : data_->format.SamplesPerSec;
}

void SimulatedSoundBuffer::SetCurrentPosition(int32_t byte_offset) {
  if (byte_offset < 0 || static_cast<size_t>(byte_offset) >= data_->pcm.size()) {
    throw PlatformError("Play position out of range: " + std::to_string(byte_offset));
  }
  CatchUp();
  position_ = byte_offset - byte_offset % data_->format.BlockAlign;
  position_time_ = clock_.Now();
}

void SimulatedSoundBuffer::Play(int32_t flags) {
  CatchUp();
  looping_ = (flags & DSBPLAY_LOOPING) != 0;
  playing_ = true;
}

void SimulatedSoundBuffer::Stop() {
  CatchUp();
  playing_ = false;
}

int32_t SimulatedSoundBuffer::GetStatus() {
  CatchUp();
  if (!playing_) return 0;
  return DSBSTATUS_PLAYING | (looping_ ? DSBSTATUS_LOOPING : 0);
}

WaveFormat SimulatedSoundBuffer::GetFormat() {
  return data_->format;
}

void SimulatedSoundBuffer::WriteBuffer(int32_t offset, int32_t bytes, const void* data,
                                       int32_t lock_flags) {
  if ((lock_flags & DSBLOCK_ENTIREBUFFER) != 0) offset = 0;
  const auto size = static_cast<int64_t>(data_->pcm.size());
  if (offset < 0 || bytes < 0 || offset + int64_t{bytes} > size || (bytes > 0 && !data)) {
    throw PlatformError("Write outside the sound buffer");
  }
  if (bytes > 0) std::memcpy(data_->pcm.data() + offset, data, static_cast<size_t>(bytes));
}

std::shared_ptr<Sound3DBuffer> SimulatedSoundBuffer::GetDirectSound3DBuffer() {
  RequireControl(flags_, DSBCAPS_CTRL3D, "3D");
  return std::make_shared<SimulatedSound3DBuffer>(state_3d_);
}

int32_t SimulatedSoundBuffer::CurrentPosition() {
  CatchUp();
  const auto bytes = static_cast<int32_t>(position_);
  return bytes - bytes % data_->format.BlockAlign;  // the cursor moves whole frames
}

double SimulatedSoundBuffer::BytesPerSecond() const {
  return static_cast<double>(EffectiveFrequency()) * data_->format.BlockAlign;
}

void SimulatedSoundBuffer::CatchUp() {
  const double now = clock_.Now();
  if (playing_) {
    const auto size = static_cast<double>(data_->pcm.size());
    const double reached = position_ + (now - position_time_) * BytesPerSecond();
    if (looping_) {
      position_ = std::fmod(reached, size);
    } else if (reached >= size) {
      playing_ = false;  // a play-once buffer stops at its end and next plays from the start
      position_ = 0;
    } else {
      position_ = reached;
    }
  }
  position_time_ = now;
}

}  // namespace veltro::platform::headless
