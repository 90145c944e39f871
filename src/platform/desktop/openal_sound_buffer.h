#pragma once

#include <AL/al.h>

#include <memory>
#include <vector>

#include "platform/desktop/openal_context.h"
#include "platform/sound_device.h"

namespace veltro::platform::desktop {

// One sound's PCM data in an OpenAL buffer, shared by a buffer and all its duplicates.
class OpenAlPcm {
 public:
  // Uploads `pcm` in `format`. When `writable`, a copy is kept so that parts can be rewritten.
  OpenAlPcm(std::shared_ptr<OpenAlContext> context, const WaveFormat& format,
            std::vector<uint8_t> pcm, bool writable);
  OpenAlPcm(const OpenAlPcm&) = delete;
  OpenAlPcm& operator=(const OpenAlPcm&) = delete;
  ~OpenAlPcm();

  ALuint id() const { return buffer_; }
  const WaveFormat& format() const { return format_; }
  int32_t bytes() const { return bytes_; }
  const std::shared_ptr<OpenAlContext>& context() const { return context_; }

  // Rewrites part of the data and uploads it again. OpenAL refuses while a source uses the buffer.
  void Write(int32_t offset, int32_t bytes, const void* data);

 private:
  void Upload(const std::vector<uint8_t>& pcm);

  std::shared_ptr<OpenAlContext> context_;
  WaveFormat format_;
  int32_t bytes_;
  ALuint buffer_ = 0;
  std::vector<uint8_t> copy_;  // only for writable buffers
  bool writable_;
};

// A secondary buffer: an OpenAL source playing shared PCM data.
class OpenAlSoundBuffer : public SoundBuffer,
                          public std::enable_shared_from_this<OpenAlSoundBuffer> {
 public:
  OpenAlSoundBuffer(int32_t flags, std::shared_ptr<OpenAlPcm> pcm);
  OpenAlSoundBuffer(const OpenAlSoundBuffer&) = delete;
  OpenAlSoundBuffer& operator=(const OpenAlSoundBuffer&) = delete;
  ~OpenAlSoundBuffer() override;

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

  // A new buffer on the same data with this one's volume, pan and frequency.
  std::shared_ptr<OpenAlSoundBuffer> Duplicate();

  int32_t flags() const { return flags_; }
  ALuint source() const { return source_; }
  const std::shared_ptr<OpenAlPcm>& pcm() const { return pcm_; }

 private:
  bool Is3D() const { return (flags_ & DSBCAPS_CTRL3D) != 0; }
  void ApplyGainAndPlacement();

  int32_t flags_;
  std::shared_ptr<OpenAlPcm> pcm_;
  ALuint source_ = 0;
  int32_t volume_ = 0, pan_ = 0, frequency_ = 0;
};

}  // namespace veltro::platform::desktop
