// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>

#include "platform/decoders/pcm_audio.h"

namespace veltro::platform {

// One stream's output: PCM queued in pieces, played in order by the sound device. When the queue
// runs out the voice stops by itself (Running() turns false) and plays again on Play. Counts are
// in frames since the voice was made or last flushed.
class StreamVoice {
 public:
  virtual ~StreamVoice() = default;
  virtual void Queue(const int16_t* pcm, int64_t frames) = 0;
  virtual int64_t QueuedFrames() = 0;
  virtual int64_t PlayedFrames() = 0;
  virtual void Play() = 0;
  virtual void Pause() = 0;
  // Stops and drops everything queued.
  virtual void Flush() = 0;
  virtual bool Running() = 0;
  virtual void SetVolume(int32_t hundredths_db) = 0;  // -10000 .. 0
  virtual void SetPan(int32_t hundredths_db) = 0;     // -10000 .. 10000
  virtual void SetPitch(double pitch) = 0;            // 1 = the data's own rate
};

// Makes voices on the sound device; throws PlatformError when there is none.
class StreamVoices {
 public:
  virtual ~StreamVoices() = default;
  virtual std::unique_ptr<StreamVoice> CreateStreamVoice(int channels,
                                                         int32_t samples_per_second) = 0;
};

}  // namespace veltro::platform
