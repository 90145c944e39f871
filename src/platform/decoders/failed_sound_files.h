// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <ostream>
#include <string>

#include "platform/base/platform_error.h"

namespace veltro::platform {

// Sound files that failed to load, each remembered with its size and modification time. A file
// that failed is not handed to the decoder again until it changes: the engine asks for a sound
// that did not load every time it is played (a click hundreds of times a flight), and
// libsndfile leaks memory each time it refuses some damaged files. Each failure is reported
// once on `report`; the refusal itself still reaches the caller every time.
class FailedSoundFiles {
 public:
  explicit FailedSoundFiles(std::ostream& report) : report_(report) {}

  // `open(path)`, unless the file failed before and has not changed since: then the earlier
  // refusal is thrown again without touching the file. Safe to call from several threads.
  template <class Opener>
  auto Open(const std::string& path, Opener&& open) -> decltype(open(path)) {
    const FileStamp stamp = Stamp(path);
    ThrowIfFailed(path, stamp);
    try {
      return open(path);
    } catch (const PlatformError& refusal) {
      Remember(path, stamp, refusal);
      throw;
    }
  }

 private:
  // What tells one version of a file from the next; a missing file has its own stamp.
  struct FileStamp {
    bool exists = false;
    int64_t size = 0;
    int64_t modified_ns = 0;
    bool operator==(const FileStamp&) const = default;
  };
  struct Failure {
    FileStamp stamp;
    std::string message;
  };

  static FileStamp Stamp(const std::string& path);
  void ThrowIfFailed(const std::string& path, const FileStamp& stamp);
  void Remember(const std::string& path, const FileStamp& stamp, const PlatformError& refusal);

  std::ostream& report_;
  std::mutex mutex_;  // the sound files are also read ahead on a thread of their own
  std::map<std::string, Failure> failures_;
};

}  // namespace veltro::platform
