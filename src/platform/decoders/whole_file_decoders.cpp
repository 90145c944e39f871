// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/decoders/whole_file_decoders.h"

#include <algorithm>
#include <cstring>

#include "platform/base/platform_error.h"
#include "platform/decoders/audio_file.h"

namespace veltro::platform {
namespace {

class MemoryDecoder : public StreamDecoder {
 public:
  explicit MemoryDecoder(AudioData audio) : audio_(std::move(audio)) {}

  int Channels() const override { return audio_.format.Channels; }
  int32_t SamplesPerSecond() const override { return audio_.format.SamplesPerSec; }
  int64_t Frames() const override {
    return static_cast<int64_t>(audio_.pcm.size()) / audio_.format.BlockAlign;
  }
  int64_t Read(int16_t* pcm, int64_t frames) override {
    const int64_t got = std::clamp<int64_t>(Frames() - next_, 0, frames);
    std::memcpy(pcm, audio_.pcm.data() + next_ * audio_.format.BlockAlign,
                static_cast<size_t>(got * audio_.format.BlockAlign));
    next_ += got;
    return got;
  }
  void Seek(int64_t frame) override {
    if (frame < 0 || frame > Frames()) throw PlatformError("Seek outside the sound");
    next_ = frame;
  }

 private:
  AudioData audio_;
  int64_t next_ = 0;
};

}  // namespace

std::unique_ptr<StreamDecoder> WholeFileDecoders::OpenStreamDecoder(const std::string& path) {
  return std::make_unique<MemoryDecoder>(LoadAudioFile(path));
}

}  // namespace veltro::platform
