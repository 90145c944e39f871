#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltro::platform {

// The OGG library the sound engine starts with the device and uses to decode OGG files.
class OggLibrary {
 public:
  virtual ~OggLibrary() = default;
  // Non-zero: the library is ready.
  virtual int32_t InitOgg(int32_t reserved, intptr_t window) = 0;
  virtual int32_t SetOggBufferSize(int32_t size) = 0;
  // Services all open streams; called every 10 ms while the library runs.
  virtual int32_t UpdateOgg() = 0;
  virtual int32_t ShutdownOgg() = 0;
  // Decodes a whole file to 16-bit PCM. Always sets `size` (bytes), `channels` and
  // `samples_per_second`; fills `buffer` only when it holds at least `size` bytes.
  // Non-zero on success, 0 on failure.
  virtual int32_t DecodeOggFileToBuffer(const std::string& path, std::vector<uint8_t>& buffer,
                                        int32_t& size, int32_t& channels,
                                        int32_t& samples_per_second) = 0;
};

}  // namespace veltro::platform
