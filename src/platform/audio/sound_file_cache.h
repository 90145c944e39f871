// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/decoders/pcm_audio.h"

namespace veltro::platform {

// The program's own sounds, read and decoded on a thread of their own while the game starts, so
// that the first play of each is as quick as any later one. A sound found here never touches
// the disk again; any other file is read when asked for, as before.
class SoundFileCache {
 public:
  // How a file is read and decoded; LoadAudioFile but in tests.
  using Loader = std::function<AudioData(const std::string& path)>;

  explicit SoundFileCache(Loader load = LoadAudioFileFunction());
  ~SoundFileCache();  // waits for the reading to end
  SoundFileCache(const SoundFileCache&) = delete;
  SoundFileCache& operator=(const SoundFileCache&) = delete;

  // Starts reading the files of `folder` named in `names` (the sounds the program plays; any
  // other file there costs nothing). Once only; a file that fails to load is left to be read
  // (and refused, with its message) when it is asked for.
  void Preload(const std::string& folder, std::vector<std::string> names);

  // The sound of the file at `path`: the preloaded one (waiting for the reading if it is still
  // going on), or else the file read now.
  std::shared_ptr<const AudioData> Load(const std::string& path);

 private:
  static Loader LoadAudioFileFunction();
  void ReadFiles(const std::string& folder, const std::vector<std::string>& names);

  Loader load_;
  std::map<std::string, std::shared_ptr<const AudioData>> sounds_;  // written only by the reader
  std::future<void> reading_;
};

}  // namespace veltro::platform
