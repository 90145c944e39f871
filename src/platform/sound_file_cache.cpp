// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sound_file_cache.h"

#include <filesystem>

#include "platform/audio_file.h"
#include "platform/platform_error.h"

namespace veltro::platform {
namespace {

// The same file however the path was spelt ("a//b/./c.wav"), worked out without the disk.
std::string Key(const std::string& path) {
  return std::filesystem::path(path).lexically_normal().string();
}

bool IsWaveFile(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".wav";
}

}  // namespace

SoundFileCache::Loader SoundFileCache::LoadAudioFileFunction() {
  return [](const std::string& path) { return LoadAudioFile(path); };
}

SoundFileCache::SoundFileCache(Loader load) : load_(std::move(load)) {}

SoundFileCache::~SoundFileCache() {
  if (reading_.valid()) reading_.wait();
}

void SoundFileCache::Preload(const std::string& folder) {
  if (reading_.valid()) return;
  reading_ = std::async(std::launch::async, [this, folder] { ReadFolder(folder); });
}

void SoundFileCache::ReadFolder(const std::string& folder) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (!IsWaveFile(entry.path()) || !entry.is_regular_file(error)) continue;
    try {
      sounds_[Key(entry.path().string())] =
          std::make_shared<const AudioData>(load_(entry.path().string()));
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
