// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// PCM as the decoders hand it out: a whole sound in memory, or a file read piece by piece.
namespace veltro::platform {

// The largest sound buffer, and the largest sound decoded into memory. Anything bigger is refused
// before a byte is allocated: a game's cue sounds are small, and a damaged header or a decoder's
// wrong claim must not make us allocate gigabytes.
constexpr int64_t kMaxDecodedAudioBytes = int64_t{64} * 1024 * 1024;

// The sample rates a sound buffer plays at, and so the ones a decoder accepts from a file.
constexpr int32_t kMinBufferFrequency = 100;
constexpr int32_t kMaxBufferFrequency = 200000;

// A PCM format in the sound device's terms (DirectSound's WAVEFORMATEX).
struct WaveFormat {
  int16_t FormatTag = 1;  // PCM
  int16_t Channels = 2;
  int32_t SamplesPerSec = 22050;
  int32_t AvgBytesPerSec = 88200;
  int16_t BlockAlign = 4;
  int16_t BitsPerSample = 16;
  int16_t Size = 24;
};

// The 16-bit PCM format of `channels` channels at `samples_per_second`.
constexpr WaveFormat Pcm16Format(int channels, int32_t samples_per_second) {
  const auto block_align = static_cast<int16_t>(2 * channels);
  return {1,
          static_cast<int16_t>(channels),
          samples_per_second,
          samples_per_second * block_align,
          block_align,
          16,
          24};
}

// A sound decoded to PCM, in its own format.
struct AudioData {
  WaveFormat format;
  std::vector<uint8_t> pcm;
};

// Reads a sound file piece by piece as 16-bit interleaved PCM. Throws PlatformError when the
// file cannot be opened, is damaged, or cannot seek.
class StreamDecoder {
 public:
  virtual ~StreamDecoder() = default;
  virtual int Channels() const = 0;
  virtual int32_t SamplesPerSecond() const = 0;
  // The length in frames, or -1 when the file does not tell.
  virtual int64_t Frames() const = 0;
  // Up to `frames` frames into `pcm`; 0 at the end of the file.
  virtual int64_t Read(int16_t* pcm, int64_t frames) = 0;
  virtual void Seek(int64_t frame) = 0;
};

// Opens a file for StreamDecoder; throws PlatformError for a file it cannot play.
class StreamDecoders {
 public:
  virtual ~StreamDecoders() = default;
  virtual std::unique_ptr<StreamDecoder> OpenStreamDecoder(const std::string& path) = 0;
};

}  // namespace veltro::platform
