#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/virtual_clock.h"
#include "platform/sound_device.h"

namespace veltro::platform::headless {

// A sound device that plays nothing but keeps time: a buffer made from a file really loads the
// file (so a bad file fails as it would on the desktop) and "plays" on the virtual clock for
// exactly as long as its data lasts at its current frequency. It checks arguments the way
// DirectSound does, so the engine meets the same refusals headless as on a real device.
class SimulatedSoundSystem : public SoundSystem {
 public:
  explicit SimulatedSoundSystem(VirtualClock& clock) : clock_(clock) {}

  std::shared_ptr<SoundDevice> DirectSoundCreate(const std::string& device_id) override;

  // While set, DirectSoundCreate fails as on a machine without a sound device.
  void SetDeviceMissing(bool missing) { device_missing_ = missing; }

 private:
  VirtualClock& clock_;
  bool device_missing_ = false;
};

// A buffer's 3D state, kept for inspection by tests. Deferred settings are held apart: they would
// take effect only when committed, which this device, like the engine, never does.
struct Simulated3DState {
  Vector3 position;
  Vector3 deferred_position;
  bool has_deferred_position = false;
  float min_distance = 1.0f;
  int32_t inside_cone_degrees = 360, outside_cone_degrees = 360;
};

// The PCM data one buffer and all its duplicates share.
struct SimulatedSoundData {
  WaveFormat format;
  std::vector<uint8_t> pcm;
};

class SimulatedSoundBuffer : public SoundBuffer {
 public:
  SimulatedSoundBuffer(VirtualClock& clock, int32_t flags,
                       std::shared_ptr<SimulatedSoundData> data);

  void SetVolume(int32_t hundredths_db) override;
  void SetPan(int32_t hundredths_db) override;
  void SetFrequency(int32_t hertz) override;
  int32_t GetFrequency() override;
  void SetCurrentPosition(int32_t byte_offset) override;
  void Play(int32_t flags) override;
  void Stop() override;
  int32_t GetStatus() override;
  WaveFormat GetFormat() override;
  void WriteBuffer(int32_t offset, int32_t bytes, const void* data, int32_t lock_flags) override;
  std::shared_ptr<Sound3DBuffer> GetDirectSound3DBuffer() override;

  // Volume, pan and frequency as another buffer has them (for duplicates).
  void CopySettingsFrom(const SimulatedSoundBuffer& original);

  int32_t flags() const { return flags_; }
  int32_t volume() const { return volume_; }
  int32_t pan() const { return pan_; }
  // The play position in bytes, as of the clock's current time.
  int32_t CurrentPosition();
  const std::shared_ptr<SimulatedSoundData>& data() const { return data_; }
  const Simulated3DState& state_3d() const { return *state_3d_; }

 private:
  // Brings the position up to the clock's time and ends a play-once buffer that ran out.
  void CatchUp();
  double BytesPerSecond() const;
  int32_t EffectiveFrequency() const;

  VirtualClock& clock_;
  int32_t flags_;
  std::shared_ptr<SimulatedSoundData> data_;
  std::shared_ptr<Simulated3DState> state_3d_ = std::make_shared<Simulated3DState>();
  int32_t volume_ = 0, pan_ = 0;
  int32_t frequency_ = 0;  // 0: the data's own rate
  bool playing_ = false, looping_ = false;
  double position_ = 0;  // bytes, as of position_time_
  double position_time_ = 0;
};

}  // namespace veltro::platform::headless
