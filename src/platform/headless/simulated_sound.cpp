// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/headless/simulated_sound.h"

#include <cmath>
#include <cstring>

#include "platform/base/platform_error.h"

namespace veltro::platform::headless {
namespace {

// Nothing is heard, so the 3D side and the listener have nothing to apply: the settings
// DirectSound reports back are kept by the seam itself.
class SimulatedSound3DBuffer : public Sound3DBuffer {
 protected:
  void ApplyPosition(Vector3 /*position*/) override {}
  void ApplyMinDistance(float /*distance*/) override {}
  void ApplyConeAngles(int32_t /*inside_degrees*/, int32_t /*outside_degrees*/) override {}
};

class SimulatedListener : public SoundListener {
 protected:
  void ApplyPosition(Vector3 /*position*/) override {}
  void ApplyOrientation(Vector3 /*front*/, Vector3 /*top*/) override {}
  void ApplyRolloffFactor(float /*factor*/) override {}
  void ApplyDistanceFactor(float /*metres_per_unit*/) override {}
};

class SimulatedPrimaryBuffer : public PrimarySoundBuffer {
 public:
  using PrimarySoundBuffer::PrimarySoundBuffer;

 protected:
  std::shared_ptr<SoundListener> MakeListener() override {
    if (!listener_) listener_ = std::make_shared<SimulatedListener>();
    return listener_;
  }

 private:
  std::shared_ptr<SimulatedListener> listener_;
};

void FailIfGone(const std::shared_ptr<const bool>& gone) {
  if (gone && *gone) throw PlatformError("The sound device is gone");
}

class SimulatedSoundDevice : public SoundDevice {
 public:
  SimulatedSoundDevice(VirtualClock& clock, std::shared_ptr<const bool> gone)
      : clock_(clock), gone_(std::move(gone)) {}

 protected:
  std::shared_ptr<PrimarySoundBuffer> MakePrimaryBuffer(int32_t flags) override {
    return std::make_shared<SimulatedPrimaryBuffer>(flags);
  }
  std::shared_ptr<SoundBuffer> MakeBuffer(const BufferDesc& desc,
                                          std::vector<uint8_t> silence) override {
    FailIfGone(gone_);
    auto data = std::make_shared<AudioData>(AudioData{desc.Format, std::move(silence)});
    return std::make_shared<SimulatedSoundBuffer>(clock_, desc.Flags, std::move(data), true, gone_);
  }
  std::shared_ptr<SoundBuffer> MakeBufferFromAudio(const BufferDesc& desc, AudioData audio,
                                                   const std::string& /*path*/) override {
    FailIfGone(gone_);
    auto data = std::make_shared<AudioData>(std::move(audio));
    return std::make_shared<SimulatedSoundBuffer>(clock_, desc.Flags, std::move(data), false,
                                                  gone_);
  }
  std::shared_ptr<SoundBuffer> MakeDuplicate(SoundBuffer& source) override {
    auto* simulated = dynamic_cast<SimulatedSoundBuffer*>(&source);
    if (simulated == nullptr) throw PlatformError("Cannot duplicate a foreign sound buffer");
    FailIfGone(gone_);
    return std::make_shared<SimulatedSoundBuffer>(clock_, simulated->flags(), simulated->data(),
                                                  false, gone_);
  }

 private:
  VirtualClock& clock_;
  std::shared_ptr<const bool> gone_;
};

}  // namespace

std::shared_ptr<SoundDevice> SimulatedSoundSystem::MakeDevice(const std::string& /*device_id*/) {
  if (device_missing_) throw PlatformError("No sound device is present");
  return std::make_shared<SimulatedSoundDevice>(clock_, device_gone_);
}

SimulatedSoundBuffer::SimulatedSoundBuffer(VirtualClock& clock, int32_t flags,
                                           std::shared_ptr<AudioData> data, bool writable,
                                           std::shared_ptr<const bool> gone)
    : SoundBuffer(flags, data->format, static_cast<int32_t>(data->pcm.size()), writable),
      clock_(clock),
      data_(std::move(data)),
      gone_(std::move(gone)),
      position_time_(clock.Now()) {}

void SimulatedSoundBuffer::FailIfGone() const {
  headless::FailIfGone(gone_);
}

void SimulatedSoundBuffer::ApplyFrequency(int32_t /*hertz*/) {
  FailIfGone();
  CatchUp();  // the part played so far was played at the old rate
}

void SimulatedSoundBuffer::ApplyPosition(int32_t byte_offset) {
  FailIfGone();
  CatchUp();
  position_ = byte_offset - byte_offset % GetFormat().BlockAlign;
  position_time_ = clock_.Now();
}

void SimulatedSoundBuffer::StartPlaying(bool looping) {
  FailIfGone();
  CatchUp();
  looping_ = looping;
  playing_ = true;
}

void SimulatedSoundBuffer::StopPlaying() {
  FailIfGone();
  CatchUp();
  playing_ = false;
}

int32_t SimulatedSoundBuffer::PlayingStatus() {
  FailIfGone();
  CatchUp();
  if (!playing_) return 0;
  return DSBSTATUS_PLAYING | (looping_ ? DSBSTATUS_LOOPING : 0);
}

void SimulatedSoundBuffer::WriteData(int32_t offset, int32_t bytes, const void* data) {
  if (bytes > 0) std::memcpy(data_->pcm.data() + offset, data, static_cast<size_t>(bytes));
}

std::shared_ptr<Sound3DBuffer> SimulatedSoundBuffer::Make3DBuffer() {
  return std::make_shared<SimulatedSound3DBuffer>();
}

int32_t SimulatedSoundBuffer::CurrentPosition() {
  CatchUp();
  const auto bytes = static_cast<int32_t>(position_);
  return bytes - bytes % GetFormat().BlockAlign;  // the cursor moves whole frames
}

void SimulatedSoundBuffer::CatchUp() {
  const double now = clock_.Now();
  if (playing_) {
    const auto size = static_cast<double>(bytes());
    const double bytes_per_second = static_cast<double>(GetFrequency()) * GetFormat().BlockAlign;
    const double reached = position_ + (now - position_time_) * bytes_per_second;
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
