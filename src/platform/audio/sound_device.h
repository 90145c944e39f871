// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/decoders/pcm_audio.h"

// The sound device as the sound engine sees it: DirectSound 8's objects and calls, with
// DirectSound's units (hundredths of a decibel, hertz, bytes, left-handed 3D axes).
// Every call that fails throws PlatformError.
//
// How a back-end plugs in (OpenAL on the desktop, the simulated device headless, and any later
// one): every class below keeps DirectSound's rules itself. Its public calls are not virtual;
// each checks its arguments and the object's capabilities, refuses what DirectSound refuses,
// keeps the state DirectSound reports back (volume, pan, frequency, format, 3D settings), and
// only then calls a protected hook (`Apply…`, `Make…`, `Start…`) that the back-end implements.
// A hook is only called with arguments that passed the checks, and the value it applies is
// stored once it returns, so a back-end never checks an argument and never keeps its own copy
// of a setting: it does only what really differs (library calls, a virtual clock). Sound files
// are read and checked here too, so a back-end only ever receives decoded PCM it accepts.
namespace veltro::platform {

class SoundFileCache;

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

// DirectSound's ranges for a secondary buffer (its frequencies, which sound files share, are in
// pcm_audio.h).
constexpr int32_t kMinVolume = -10000;  // silent; 0 is full volume
constexpr int32_t kMaxPan = 10000;      // -kMaxPan is full left

struct BufferDesc {
  int32_t Flags = 0;
  int32_t BufferBytes = 0;  // for buffers created from a description
  WaveFormat Format;
  std::string Algorithm3D = "DS3DALG_DEFAULT";
};

// What a secondary sound buffer accepts: PCM, mono or stereo, 8 or 16 bits, a rate of
// kMinBufferFrequency to kMaxBufferFrequency, and mono only when it is a 3D buffer.
void CheckBufferFormat(const BufferDesc& desc, const WaveFormat& format);
// What the primary buffer accepts as the device's output format: PCM, mono or stereo, 8 or 16
// bits.
void CheckOutputFormat(const WaveFormat& format);

struct Vector3 {
  float x = 0, y = 0, z = 0;
};

// The 3D side of a buffer created with DSBCAPS_CTRL3D. A deferred position is kept and not
// applied: it would be heard only once deferred settings are committed, which this program never
// does.
class Sound3DBuffer {
 public:
  virtual ~Sound3DBuffer() = default;
  void SetPosition(Vector3 position, int32_t apply);
  void SetMinDistance(float distance, int32_t apply);                                  // > 0
  void SetConeAngles(int32_t inside_degrees, int32_t outside_degrees, int32_t apply);  // 0..360

  Vector3 position() const { return position_; }
  Vector3 deferred_position() const { return deferred_position_; }
  float min_distance() const { return min_distance_; }
  int32_t inside_cone_degrees() const { return inside_cone_; }
  int32_t outside_cone_degrees() const { return outside_cone_; }

 protected:
  virtual void ApplyPosition(Vector3 position) = 0;
  virtual void ApplyMinDistance(float distance) = 0;
  virtual void ApplyConeAngles(int32_t inside_degrees, int32_t outside_degrees) = 0;

 private:
  Vector3 position_, deferred_position_;
  float min_distance_ = 1.0f;  // DirectSound's defaults for a new 3D buffer
  int32_t inside_cone_ = 360, outside_cone_ = 360;
};

// A secondary buffer: one sound's PCM data, playable on its own.
class SoundBuffer : public std::enable_shared_from_this<SoundBuffer> {
 public:
  virtual ~SoundBuffer() = default;
  SoundBuffer(const SoundBuffer&) = delete;
  SoundBuffer& operator=(const SoundBuffer&) = delete;

  void SetVolume(int32_t hundredths_db);  // kMinVolume .. 0; needs DSBCAPS_CTRLVOLUME
  void SetPan(int32_t hundredths_db);     // -kMaxPan .. kMaxPan, negative = left; CTRLPAN
  void SetFrequency(int32_t hertz);       // 0 = the data's own rate; CTRLFREQUENCY
  int32_t GetFrequency() const;
  void SetCurrentPosition(int32_t byte_offset);  // within the data
  void Play(int32_t flags);                      // DSBPLAY_LOOPING or 0, from the current position
  void Stop();                                   // keeps the position
  int32_t GetStatus();                           // DSBSTATUS_* bits
  WaveFormat GetFormat() const { return format_; }
  // Rewrites part of the data (all of it from offset 0 with DSBLOCK_ENTIREBUFFER). Only a buffer
  // created empty (not from a file, not a duplicate) can be rewritten, and only while no one can
  // hear the change: not while it plays, and not while a duplicate shares its data.
  void WriteBuffer(int32_t offset, int32_t bytes, const void* data, int32_t lock_flags);
  // The 3D interface of a buffer created with DSBCAPS_CTRL3D: the same one on every call, so
  // that its settings stay with the buffer, and it keeps the buffer alive. Buffers are made with
  // std::make_shared.
  std::shared_ptr<Sound3DBuffer> GetDirectSound3DBuffer();

  int32_t flags() const { return flags_; }
  int32_t bytes() const { return bytes_; }
  int32_t volume() const { return volume_; }
  int32_t pan() const { return pan_; }

 protected:
  // `bytes` of data in `format`; `writable` only for a buffer created empty.
  SoundBuffer(int32_t flags, const WaveFormat& format, int32_t bytes, bool writable);

  virtual void ApplyVolume(int32_t hundredths_db) = 0;
  virtual void ApplyPan(int32_t hundredths_db) = 0;
  virtual void ApplyFrequency(int32_t hertz) = 0;
  // A new duplicate's volume, pan and frequency, already taken from its original.
  virtual void ApplyCopiedSettings() = 0;
  virtual void ApplyPosition(int32_t byte_offset) = 0;
  virtual void StartPlaying(bool looping) = 0;  // playing again only changes the looping
  virtual void StopPlaying() = 0;
  virtual int32_t PlayingStatus() = 0;
  virtual bool DataShared() const = 0;  // a duplicate uses the same data
  virtual void WriteData(int32_t offset, int32_t bytes, const void* data) = 0;
  // Called once per buffer. The buffer keeps the 3D side, and a handed-out 3D interface keeps
  // the buffer, so the 3D side may point back to the buffer without owning it.
  virtual std::shared_ptr<Sound3DBuffer> Make3DBuffer() = 0;

 private:
  friend class SoundDevice;  // gives a duplicate its original's settings

  void RequireControl(int32_t control, const char* what) const;

  int32_t flags_;
  WaveFormat format_;
  int32_t bytes_;
  bool writable_;
  int32_t volume_ = 0, pan_ = 0;
  int32_t frequency_ = 0;  // 0: the data's own rate
  std::shared_ptr<Sound3DBuffer> side_3d_;
};

class SoundListener {
 public:
  virtual ~SoundListener() = default;
  void SetPosition(Vector3 position, int32_t apply);
  void SetOrientation(Vector3 front, Vector3 top, int32_t apply);
  void SetRolloffFactor(float factor, int32_t apply);            // 0 .. 10
  void SetDistanceFactor(float metres_per_unit, int32_t apply);  // > 0

 protected:
  virtual void ApplyPosition(Vector3 position) = 0;
  virtual void ApplyOrientation(Vector3 front, Vector3 top) = 0;
  virtual void ApplyRolloffFactor(float factor) = 0;
  virtual void ApplyDistanceFactor(float metres_per_unit) = 0;
};

// The device's mix. The device chooses its own output format, so the primary buffer only checks
// what it is given.
class PrimarySoundBuffer {
 public:
  explicit PrimarySoundBuffer(int32_t flags) : flags_(flags) {}
  virtual ~PrimarySoundBuffer() = default;
  void Play(int32_t flags);  // looping only
  void SetFormat(const WaveFormat& format);
  // The listener of a primary buffer created with DSBCAPS_CTRL3D.
  std::shared_ptr<SoundListener> GetDirectSound3DListener();

 protected:
  virtual void StartMixing() {}
  virtual void ApplyFormat(const WaveFormat& /*format*/) {}
  virtual std::shared_ptr<SoundListener> MakeListener() = 0;

 private:
  int32_t flags_;
};

class SoundDevice {
 public:
  virtual ~SoundDevice() = default;
  void SetCooperativeLevel(int32_t level);
  std::shared_ptr<PrimarySoundBuffer> CreatePrimaryBuffer(const BufferDesc& desc);
  // An empty buffer (silence) of desc.BufferBytes bytes in desc.Format.
  std::shared_ptr<SoundBuffer> CreateSoundBuffer(const BufferDesc& desc);
  // A buffer holding a sound file's data in the file's own format and length: the file is read
  // through the system's SoundFileCache when it has one, else decoded now.
  std::shared_ptr<SoundBuffer> CreateSoundBufferFromFile(const std::string& path,
                                                         const BufferDesc& desc);
  // A new buffer that shares the source's data, starts with its volume, pan and frequency, and
  // plays independently of it.
  std::shared_ptr<SoundBuffer> DuplicateSoundBuffer(SoundBuffer& source);

 protected:
  virtual void ApplyCooperativeLevel(int32_t /*level*/) {}
  virtual std::shared_ptr<PrimarySoundBuffer> MakePrimaryBuffer(int32_t flags) = 0;
  // `desc` passed the checks; `silence` is desc.BufferBytes bytes of it.
  virtual std::shared_ptr<SoundBuffer> MakeBuffer(const BufferDesc& desc,
                                                  std::vector<uint8_t> silence) = 0;
  // `audio` is the file at `path`, decoded and checked against `desc`.
  virtual std::shared_ptr<SoundBuffer> MakeBufferFromAudio(const BufferDesc& desc, AudioData audio,
                                                           const std::string& path) = 0;
  // A buffer on the source's data; throws PlatformError for a buffer of another device.
  virtual std::shared_ptr<SoundBuffer> MakeDuplicate(SoundBuffer& source) = 0;

 private:
  friend class SoundSystem;  // gives a new device the system's sound files

  SoundFileCache* files_ = nullptr;
};

// The root object ("DX") from which the device is created.
class SoundSystem {
 public:
  virtual ~SoundSystem() = default;
  // The devices created from now on read sound files through `files` (which may have read them
  // ahead); without it each file is decoded when a buffer is made from it.
  void SetSoundFileCache(SoundFileCache* files) { files_ = files; }
  // The default output device when `device_id` is empty.
  std::shared_ptr<SoundDevice> DirectSoundCreate(const std::string& device_id);

 protected:
  virtual std::shared_ptr<SoundDevice> MakeDevice(const std::string& device_id) = 0;

 private:
  SoundFileCache* files_ = nullptr;
};

}  // namespace veltro::platform
