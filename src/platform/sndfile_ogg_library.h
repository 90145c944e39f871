#pragma once

#include "platform/ogg_library.h"

namespace veltro::platform {

// The OGG library on libsndfile. It decodes whole files for the sound engine's buffers.
// Streams are not offered yet: the housekeeping calls succeed and have nothing to service;
// streaming playback comes with a later change.
class SndfileOggLibrary : public OggLibrary {
 public:
  int32_t InitOgg(int32_t reserved, intptr_t window) override;
  int32_t SetOggBufferSize(int32_t size) override;
  int32_t UpdateOgg() override;
  int32_t ShutdownOgg() override;
  int32_t DecodeOggFileToBuffer(const std::string& path, std::vector<uint8_t>& buffer,
                                int32_t& size, int32_t& channels,
                                int32_t& samples_per_second) override;
};

}  // namespace veltro::platform
