// SPDX-License-Identifier: GPL-3.0-or-later
// DirectSound's rules, kept once for every back-end: each public call checks, then calls the
// back-end's hook, then stores what DirectSound reports back.
#include "platform/audio/sound_device.h"

#include "platform/audio/sound_file_cache.h"
#include "platform/base/platform_error.h"
#include "platform/decoders/audio_file.h"

namespace veltro::platform {

void CheckBufferFormat(const BufferDesc& desc, const WaveFormat& format) {
  if (format.FormatTag != 1 || (format.Channels != 1 && format.Channels != 2) ||
      (format.BitsPerSample != 8 && format.BitsPerSample != 16) ||
      format.SamplesPerSec < kMinBufferFrequency || format.SamplesPerSec > kMaxBufferFrequency ||
      format.BlockAlign != format.Channels * format.BitsPerSample / 8) {
    throw PlatformError("The sound device does not accept this sound format");
  }
  if ((desc.Flags & DSBCAPS_CTRL3D) != 0 && format.Channels != 1) {
    throw PlatformError("A 3D sound buffer needs mono sound data");
  }
}

void CheckOutputFormat(const WaveFormat& format) {
  if (format.FormatTag != 1 || format.Channels < 1 || format.Channels > 2 ||
      (format.BitsPerSample != 8 && format.BitsPerSample != 16)) {
    throw PlatformError("The sound device does not accept this output format");
  }
}

// --- 3D buffer ---

void Sound3DBuffer::SetPosition(Vector3 position, int32_t apply) {
  if (apply == DS3D_DEFERRED) {
    deferred_position_ = position;
    return;
  }
  ApplyPosition(position);
  position_ = position;
}

void Sound3DBuffer::SetMinDistance(float distance, int32_t /*apply*/) {
  if (!(distance > 0)) throw PlatformError("The minimum distance must be positive");
  ApplyMinDistance(distance);
  min_distance_ = distance;
}

void Sound3DBuffer::SetConeAngles(int32_t inside_degrees, int32_t outside_degrees,
                                  int32_t /*apply*/) {
  if (inside_degrees < 0 || outside_degrees > 360 || inside_degrees > outside_degrees) {
    throw PlatformError("Cone angles must satisfy 0 <= inside <= outside <= 360");
  }
  ApplyConeAngles(inside_degrees, outside_degrees);
  inside_cone_ = inside_degrees;
  outside_cone_ = outside_degrees;
}

// --- secondary buffer ---

SoundBuffer::SoundBuffer(int32_t flags, const WaveFormat& format, int32_t bytes, bool writable)
    : flags_(flags), format_(format), bytes_(bytes), writable_(writable) {}

void SoundBuffer::RequireControl(int32_t control, const char* what) const {
  if ((flags_ & control) == 0) {
    throw PlatformError(std::string("The sound buffer has no ") + what + " control");
  }
}

void SoundBuffer::SetVolume(int32_t hundredths_db) {
  RequireControl(DSBCAPS_CTRLVOLUME, "volume");
  if (hundredths_db < kMinVolume || hundredths_db > 0) {
    throw PlatformError("Volume out of range: " + std::to_string(hundredths_db));
  }
  ApplyVolume(hundredths_db);
  volume_ = hundredths_db;
}

void SoundBuffer::SetPan(int32_t hundredths_db) {
  RequireControl(DSBCAPS_CTRLPAN, "pan");
  if (hundredths_db < -kMaxPan || hundredths_db > kMaxPan) {
    throw PlatformError("Pan out of range: " + std::to_string(hundredths_db));
  }
  ApplyPan(hundredths_db);
  pan_ = hundredths_db;
}

void SoundBuffer::SetFrequency(int32_t hertz) {
  RequireControl(DSBCAPS_CTRLFREQUENCY, "frequency");
  if (hertz != 0 && (hertz < kMinBufferFrequency || hertz > kMaxBufferFrequency)) {
    throw PlatformError("Frequency out of range: " + std::to_string(hertz));
  }
  ApplyFrequency(hertz);
  frequency_ = hertz;
}

int32_t SoundBuffer::GetFrequency() const {
  return frequency_ != 0 ? frequency_ : format_.SamplesPerSec;
}

void SoundBuffer::SetCurrentPosition(int32_t byte_offset) {
  if (byte_offset < 0 || byte_offset >= bytes_) {
    throw PlatformError("Play position out of range: " + std::to_string(byte_offset));
  }
  ApplyPosition(byte_offset);
}

void SoundBuffer::Play(int32_t flags) {
  StartPlaying((flags & DSBPLAY_LOOPING) != 0);
}

void SoundBuffer::Stop() {
  StopPlaying();
}

int32_t SoundBuffer::GetStatus() {
  return PlayingStatus();
}

void SoundBuffer::WriteBuffer(int32_t offset, int32_t bytes, const void* data, int32_t lock_flags) {
  if ((lock_flags & DSBLOCK_ENTIREBUFFER) != 0) offset = 0;
  if (offset < 0 || bytes < 0 || int64_t{offset} + bytes > bytes_ || (bytes > 0 && !data)) {
    throw PlatformError("Write outside the sound buffer");
  }
  if (!writable_) throw PlatformError("Only a sound buffer created empty can be rewritten");
  if ((GetStatus() & DSBSTATUS_PLAYING) != 0) {
    throw PlatformError("A playing sound buffer cannot be rewritten");
  }
  if (DataShared()) throw PlatformError("A duplicated sound buffer cannot be rewritten");
  WriteData(offset, bytes, data);
}

std::shared_ptr<Sound3DBuffer> SoundBuffer::GetDirectSound3DBuffer() {
  RequireControl(DSBCAPS_CTRL3D, "3D");
  if (!side_3d_) side_3d_ = Make3DBuffer();
  return {shared_from_this(), side_3d_.get()};  // shares the buffer's ownership
}

// --- listener and primary buffer ---

void SoundListener::SetPosition(Vector3 position, int32_t /*apply*/) {
  ApplyPosition(position);
}

void SoundListener::SetOrientation(Vector3 front, Vector3 top, int32_t /*apply*/) {
  ApplyOrientation(front, top);
}

void SoundListener::SetRolloffFactor(float factor, int32_t /*apply*/) {
  if (!(factor >= 0 && factor <= 10)) throw PlatformError("Rolloff factor out of range");
  ApplyRolloffFactor(factor);
}

void SoundListener::SetDistanceFactor(float metres_per_unit, int32_t /*apply*/) {
  if (!(metres_per_unit > 0)) throw PlatformError("Distance factor must be positive");
  ApplyDistanceFactor(metres_per_unit);
}

void PrimarySoundBuffer::Play(int32_t flags) {
  if ((flags & DSBPLAY_LOOPING) == 0) throw PlatformError("The primary buffer plays only looping");
  StartMixing();
}

void PrimarySoundBuffer::SetFormat(const WaveFormat& format) {
  CheckOutputFormat(format);
  ApplyFormat(format);
}

std::shared_ptr<SoundListener> PrimarySoundBuffer::GetDirectSound3DListener() {
  if ((flags_ & DSBCAPS_CTRL3D) == 0) throw PlatformError("The primary buffer has no 3D control");
  return MakeListener();
}

// --- device ---

void SoundDevice::SetCooperativeLevel(int32_t level) {
  ApplyCooperativeLevel(level);
}

std::shared_ptr<PrimarySoundBuffer> SoundDevice::CreatePrimaryBuffer(const BufferDesc& desc) {
  if ((desc.Flags & DSBCAPS_PRIMARYBUFFER) == 0) {
    throw PlatformError("A primary buffer needs the primary-buffer flag");
  }
  return MakePrimaryBuffer(desc.Flags);
}

std::shared_ptr<SoundBuffer> SoundDevice::CreateSoundBuffer(const BufferDesc& desc) {
  CheckBufferFormat(desc, desc.Format);
  if (desc.BufferBytes <= 0 || desc.BufferBytes > kMaxDecodedAudioBytes ||
      desc.BufferBytes % desc.Format.BlockAlign != 0) {
    throw PlatformError("Invalid sound buffer size " + std::to_string(desc.BufferBytes));
  }
  // Silence: 0 for 16-bit samples, the midpoint 128 for unsigned 8-bit ones.
  std::vector<uint8_t> silence(static_cast<size_t>(desc.BufferBytes),
                               desc.Format.BitsPerSample == 8 ? 128 : 0);
  return MakeBuffer(desc, std::move(silence));
}

std::shared_ptr<SoundBuffer> SoundDevice::CreateSoundBufferFromFile(const std::string& path,
                                                                    const BufferDesc& desc) {
  AudioData audio = files_ != nullptr ? *files_->Load(path) : LoadAudioFile(path);
  CheckBufferFormat(desc, audio.format);
  return MakeBufferFromAudio(desc, std::move(audio), path);
}

std::shared_ptr<SoundBuffer> SoundDevice::DuplicateSoundBuffer(SoundBuffer& source) {
  std::shared_ptr<SoundBuffer> copy = MakeDuplicate(source);
  copy->volume_ = source.volume_;
  copy->pan_ = source.pan_;
  copy->frequency_ = source.frequency_;
  copy->ApplyCopiedSettings();
  return copy;
}

std::shared_ptr<SoundDevice> SoundSystem::DirectSoundCreate(const std::string& device_id) {
  std::shared_ptr<SoundDevice> device = MakeDevice(device_id);
  device->files_ = files_;
  return device;
}

}  // namespace veltro::platform
