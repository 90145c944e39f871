// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <AL/al.h>

#include <memory>
#include <vector>

#include "platform/audio/sound_device.h"
#include "platform/openal/openal_context.h"

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
};

// A secondary buffer: an OpenAL source playing shared PCM data. The rules are SoundBuffer's; the
// hooks turn its settings into OpenAL's.
class OpenAlSoundBuffer : public SoundBuffer {
 public:
  OpenAlSoundBuffer(int32_t flags, std::shared_ptr<OpenAlPcm> pcm, bool writable);
  ~OpenAlSoundBuffer() override;

  ALuint source() const { return source_; }
  const std::shared_ptr<OpenAlPcm>& pcm() const { return pcm_; }

 protected:
  void ApplyVolume(int32_t hundredths_db) override;
  void ApplyPan(int32_t hundredths_db) override;
  void ApplyFrequency(int32_t hertz) override;
  void ApplyCopiedSettings() override;
  void ApplyPosition(int32_t byte_offset) override;
  void StartPlaying(bool looping) override;
  void StopPlaying() override;
  int32_t PlayingStatus() override;
  bool DataShared() const override { return pcm_.use_count() > 1; }
  void WriteData(int32_t offset, int32_t bytes, const void* data) override;
  std::shared_ptr<Sound3DBuffer> Make3DBuffer() override;

 private:
  bool Is3D() const { return (flags() & DSBCAPS_CTRL3D) != 0; }
  // Every call from the engine begins here: the device's finished fades are settled first.
  void Select();
  void ApplyGainAndPlacement(int32_t volume, int32_t pan);
  // Ends a stop's fade: the source pauses where the sound was stopped, at its own gain again.
  void FinishFade();

  std::shared_ptr<OpenAlPcm> pcm_;
  ALuint source_ = 0;
  // A stopped sound fades out while its source plays on silent; it pauses for good once the fade
  // has been mixed, or on the next call that needs it.
  bool fading_ = false;
  OpenAlContext::FadeId fade_ = 0;
  ALint stopped_at_ = 0;  // in samples
};

}  // namespace veltro::platform::desktop
