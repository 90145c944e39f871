// SPDX-License-Identifier: GPL-3.0-or-later
// make-sounds <folder>: writes the game's sound files into the folder.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "sound_designs.h"

namespace {

using veltro::assets::Clip;

// Writes a mono 16-bit PCM WAV file; false (with a message) when it cannot.
bool WriteWav(const std::string& path, const Clip& clip) {
  SF_INFO info{};
  info.samplerate = clip.rate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    std::cerr << "make-sounds: cannot write " << path << ": " << sf_strerror(nullptr) << "\n";
    return false;
  }
  std::vector<int16_t> pcm(clip.samples.size());
  for (size_t i = 0; i < pcm.size(); ++i) {
    float sample = std::clamp(clip.samples[i], -1.0f, 1.0f);
    pcm[i] = static_cast<int16_t>(std::lround(sample * 32767.0f));
  }
  sf_count_t written = sf_write_short(file, pcm.data(), static_cast<sf_count_t>(pcm.size()));
  sf_close(file);
  if (written != static_cast<sf_count_t>(pcm.size())) {
    std::cerr << "make-sounds: could not write all of " << path << "\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make-sounds <folder>\n";
    return 2;
  }
  const std::string folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    std::cerr << "make-sounds: cannot create " << folder << ": " << error.message() << "\n";
    return 1;
  }

  const std::vector<veltro::assets::NamedClip> clips = veltro::assets::DesignAllSounds(folder);
  bool ok = !clips.empty();
  for (const auto& [name, clip] : clips) {
    // The sound engine asks for upper-case names ("ALT.WAV"); it finds these files by a look-up
    // that ignores letter case, so each sound is written once, under the game's own name.
    ok = WriteWav(folder + "/" + name, clip) && ok;
  }
  return ok ? 0 : 1;
}
