// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/sound_device.h"
#include "platform/headless/virtual_clock.h"

namespace veltro::platform::headless {

// A sound device that plays nothing but keeps time: a buffer made from a file holds the file's
// real data (the device seam reads it, so a bad file fails as it would on the desktop) and
// "plays" on the virtual clock for exactly as long as its data lasts at its current frequency.
// DirectSound's refusals are the device seam's own, so the engine meets the same ones headless
// as on a real device.
class SimulatedSoundSystem : public SoundSystem {
 public:
  explicit SimulatedSoundSystem(VirtualClock& clock) : clock_(clock) {}

  // While set, DirectSoundCreate fails as on a machine without a sound device.
  void SetDeviceMissing(bool missing) { device_missing_ = missing; }
  // While set, every call on the devices made so far and on their buffers fails, as when the
  // sound card goes away in the middle of a game.
  void SetDeviceGone(bool gone) { *device_gone_ = gone; }

 protected:
  std::shared_ptr<SoundDevice> MakeDevice(const std::string& device_id) override;

 private:
  VirtualClock& clock_;
  bool device_missing_ = false;
  std::shared_ptr<bool> device_gone_ = std::make_shared<bool>(false);
};

class SimulatedSoundBuffer : public SoundBuffer {
 public:
  // `gone`, when given and set, makes every call fail (SimulatedSoundSystem::SetDeviceGone).
  SimulatedSoundBuffer(VirtualClock& clock, int32_t flags, std::shared_ptr<AudioData> data,
                       bool writable, std::shared_ptr<const bool> gone = nullptr);

  // The play position in bytes, as of the clock's current time.
  int32_t CurrentPosition();
  const std::shared_ptr<AudioData>& data() const { return data_; }

 protected:
  void ApplyVolume(int32_t /*hundredths_db*/) override { FailIfGone(); }
  void ApplyPan(int32_t /*hundredths_db*/) override { FailIfGone(); }
  void ApplyFrequency(int32_t hertz) override;
  void ApplyCopiedSettings() override {}
  void ApplyPosition(int32_t byte_offset) override;
  void StartPlaying(bool looping) override;
  void StopPlaying() override;
  int32_t PlayingStatus() override;
  bool DataShared() const override { return data_.use_count() > 1; }
  void WriteData(int32_t offset, int32_t bytes, const void* data) override;
  std::shared_ptr<Sound3DBuffer> Make3DBuffer() override;

 private:
  // Brings the position up to the clock's time and ends a play-once buffer that ran out.
  void CatchUp();
  void FailIfGone() const;

  VirtualClock& clock_;
  std::shared_ptr<AudioData> data_;
  std::shared_ptr<const bool> gone_;
  bool playing_ = false, looping_ = false;
  double position_ = 0;  // bytes, as of position_time_
  double position_time_ = 0;
};

}  // namespace veltro::platform::headless
