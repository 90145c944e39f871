#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The sound device as the sound engine sees it: DirectSound 8's objects and calls, with
// DirectSound's units (hundredths of a decibel, hertz, bytes, left-handed 3D axes).
// Every call that fails throws PlatformError.
namespace veltro::platform {

// Buffer-capability flags.
constexpr int32_t DSBCAPS_PRIMARYBUFFER = 1;
constexpr int32_t DSBCAPS_STATIC = 2;
constexpr int32_t DSBCAPS_LOCSOFTWARE = 8;
constexpr int32_t DSBCAPS_CTRL3D = 16;
constexpr int32_t DSBCAPS_CTRLFREQUENCY = 32;
constexpr int32_t DSBCAPS_CTRLPAN = 64;
constexpr int32_t DSBCAPS_CTRLVOLUME = 128;
constexpr int32_t DSBCAPS_GLOBALFOCUS = 32768;

constexpr int32_t DSBPLAY_LOOPING = 1;
constexpr int32_t DSBSTATUS_PLAYING = 1;
constexpr int32_t DSBSTATUS_LOOPING = 4;
constexpr int32_t DSBLOCK_ENTIREBUFFER = 2;
constexpr int32_t DSSCL_PRIORITY = 2;
constexpr int32_t DS3D_IMMEDIATE = 0;
constexpr int32_t DS3D_DEFERRED = 1;

struct WaveFormat {
  int16_t FormatTag = 1;  // PCM
  int16_t Channels = 2;
  int32_t SamplesPerSec = 22050;
  int32_t AvgBytesPerSec = 88200;
  int16_t BlockAlign = 4;
  int16_t BitsPerSample = 16;
  int16_t Size = 24;
};

struct BufferDesc {
  int32_t Flags = 0;
  int32_t BufferBytes = 0;  // for buffers created from a description
  WaveFormat Format;
  std::string Algorithm3D = "DS3DALG_DEFAULT";
};

struct Vector3 {
  float x = 0, y = 0, z = 0;
};

class Sound3DBuffer {
 public:
  virtual ~Sound3DBuffer() = default;
  virtual void SetPosition(Vector3 position, int32_t apply) = 0;
  virtual void SetMinDistance(float distance, int32_t apply) = 0;
  virtual void SetConeAngles(int32_t inside_degrees, int32_t outside_degrees, int32_t apply) = 0;
};

// A secondary buffer: one sound's PCM data, playable on its own.
class SoundBuffer {
 public:
  virtual ~SoundBuffer() = default;
  virtual void SetVolume(int32_t hundredths_db) = 0;  // -10000 .. 0
  virtual void SetPan(int32_t hundredths_db) = 0;     // -10000 .. 10000, negative = left
  virtual void SetFrequency(int32_t hertz) = 0;       // 0 = the data's own rate
  virtual int32_t GetFrequency() = 0;
  virtual void SetCurrentPosition(int32_t byte_offset) = 0;
  virtual void Play(int32_t flags) = 0;  // DSBPLAY_LOOPING or 0, from the current position
  virtual void Stop() = 0;
  virtual int32_t GetStatus() = 0;  // DSBSTATUS_* bits
  virtual WaveFormat GetFormat() = 0;
  virtual void WriteBuffer(int32_t offset, int32_t bytes, const void* data, int32_t lock_flags) = 0;
  // The 3D interface of a buffer created with DSBCAPS_CTRL3D.
  virtual std::shared_ptr<Sound3DBuffer> GetDirectSound3DBuffer() = 0;
};

class SoundListener {
 public:
  virtual ~SoundListener() = default;
  virtual void SetPosition(Vector3 position, int32_t apply) = 0;
  virtual void SetOrientation(Vector3 front, Vector3 top, int32_t apply) = 0;
  virtual void SetRolloffFactor(float factor, int32_t apply) = 0;
  virtual void SetDistanceFactor(float metres_per_unit, int32_t apply) = 0;
};

class PrimarySoundBuffer {
 public:
  virtual ~PrimarySoundBuffer() = default;
  virtual void Play(int32_t flags) = 0;
  virtual void SetFormat(const WaveFormat& format) = 0;
  virtual std::shared_ptr<SoundListener> GetDirectSound3DListener() = 0;
};

class SoundDevice {
 public:
  virtual ~SoundDevice() = default;
  virtual void SetCooperativeLevel(int32_t level) = 0;
  virtual std::shared_ptr<PrimarySoundBuffer> CreatePrimaryBuffer(const BufferDesc& desc) = 0;
  // An empty buffer of desc.BufferBytes bytes in desc.Format.
  virtual std::shared_ptr<SoundBuffer> CreateSoundBuffer(const BufferDesc& desc) = 0;
  // A buffer holding a sound file's data in the file's own format and length.
  virtual std::shared_ptr<SoundBuffer> CreateSoundBufferFromFile(const std::string& path,
                                                                 const BufferDesc& desc) = 0;
  // A new buffer that shares the source's data and plays independently of it.
  virtual std::shared_ptr<SoundBuffer> DuplicateSoundBuffer(SoundBuffer& source) = 0;
};

// The root object ("DX") from which the device is created.
class SoundSystem {
 public:
  virtual ~SoundSystem() = default;
  // The default output device when `device_id` is empty.
  virtual std::shared_ptr<SoundDevice> DirectSoundCreate(const std::string& device_id) = 0;
};

}  // namespace veltro::platform
