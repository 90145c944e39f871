// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <memory>

#include "platform/audio/ogg_library.h"
#include "platform/audio/stream_feed.h"
#include "platform/audio/stream_voice.h"

namespace veltro::platform {

// The OGG library on any sound device: its calls, their argument rules and units (see
// OggLibrary) and the table of streams, each a StreamFeed that UpdateOgg keeps fed. A back-end
// brings only a decoder and voices.
class OggStreams : public OggLibrary {
 public:
  OggStreams(StreamDecoders& decoders, StreamVoices& voices)
      : decoders_(decoders), voices_(voices) {}

  int32_t InitOgg(int32_t reserved, intptr_t window) override;
  int32_t SetOggBufferSize(int32_t seconds) override;
  int32_t UpdateOgg() override;
  int32_t ShutdownOgg() override;
  int32_t PlayOggFromDisc(const std::string& path, int32_t loop) override;
  int32_t StopOgg(int32_t handle) override;
  int32_t PauseOgg(int32_t handle) override;
  int32_t OggIsPlaying(int32_t handle) override;
  int32_t OggSetPosition(int32_t handle, int32_t byte_offset) override;
  int32_t SetVolumeOfOgg(int32_t level, int32_t handle) override;
  int32_t SetPanOfOgg(int32_t pan, int32_t handle) override;
  int32_t SetFrequencyOfOgg(int32_t hertz, int32_t handle) override;
  int32_t DecodeOggFileToBuffer(const std::string& path, std::vector<uint8_t>& buffer,
                                int32_t& size, int32_t& channels,
                                int32_t& samples_per_second) override;

  size_t OpenStreams() const { return streams_.size(); }

 private:
  // The stream of a handle, or null.
  StreamFeed* Find(int32_t handle);

  StreamDecoders& decoders_;
  StreamVoices& voices_;
  bool ready_ = false;
  int32_t ahead_seconds_ = 5;
  int32_t next_handle_ = 1;
  std::map<int32_t, std::unique_ptr<StreamFeed>> streams_;
};

}  // namespace veltro::platform
