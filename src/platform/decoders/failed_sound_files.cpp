// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/decoders/failed_sound_files.h"

#include <sys/stat.h>

namespace veltro::platform {

FailedSoundFiles::FileStamp FailedSoundFiles::Stamp(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return {};
  return {true, static_cast<int64_t>(info.st_size),
          static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

void FailedSoundFiles::ThrowIfFailed(const std::string& path, const FileStamp& stamp) {
  std::lock_guard lock(mutex_);
  const auto found = failures_.find(path);
  if (found != failures_.end() && found->second.stamp == stamp) {
    throw PlatformError(found->second.message);
  }
}

void FailedSoundFiles::Remember(const std::string& path, const FileStamp& stamp,
                                const PlatformError& refusal) {
  std::lock_guard lock(mutex_);
  failures_[path] = {stamp, refusal.what()};
  report_ << "veltro-lander: " << refusal.what()
          << " (the sound stays silent until the file changes)\n";
  report_.flush();
}

}  // namespace veltro::platform
