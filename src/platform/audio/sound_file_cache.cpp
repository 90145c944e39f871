// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/audio/sound_file_cache.h"

#include <filesystem>

#include "platform/base/platform_error.h"
#include "platform/decoders/audio_file.h"

namespace veltro::platform {
namespace {

// The same file however the path was spelt ("a//b/./c.wav"), worked out without the disk.
std::string Key(const std::string& path) {
  return std::filesystem::path(path).lexically_normal().string();
}

}  // namespace

SoundFileCache::Loader SoundFileCache::LoadAudioFileFunction() {
  return [](const std::string& path) { return LoadAudioFile(path); };
}

SoundFileCache::SoundFileCache(Loader load) : load_(std::move(load)) {}

SoundFileCache::~SoundFileCache() {
  if (reading_.valid()) reading_.wait();
}

void SoundFileCache::Preload(const std::string& folder, std::vector<std::string> names) {
  if (reading_.valid()) return;
  reading_ = std::async(std::launch::async,
                        [this, folder, names = std::move(names)] { ReadFiles(folder, names); });
}

void SoundFileCache::ReadFiles(const std::string& folder, const std::vector<std::string>& names) {
  std::error_code error;
  for (const std::string& name : names) {
    const std::string path = folder + "/" + name;
    if (!std::filesystem::is_regular_file(path, error)) continue;
    try {
      sounds_[Key(path)] = std::make_shared<const AudioData>(load_(path));
    } catch (const PlatformError&) {
      // Read again when asked for, so that the refusal reaches the game as it always does.
    }
  }
}

std::shared_ptr<const AudioData> SoundFileCache::Load(const std::string& path) {
  if (reading_.valid()) {
    reading_.wait();
    if (auto found = sounds_.find(Key(path)); found != sounds_.end()) return found->second;
  }
  return std::make_shared<const AudioData>(load_(path));
}

}  // namespace veltro::platform
