// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sndfile.h>
#include <stdlib.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

namespace veltro::testing {

// A fresh directory under the system's temp folder, removed with everything in it at the end.
struct TempDir {
  std::string path = (std::filesystem::temp_directory_path() / "veltro-audio-XXXXXX").string();
  TempDir() {
    if (mkdtemp(path.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string File(const std::string& name) const { return path + "/" + name; }
  // Writes a file, with the folders it needs; `name` is taken inside unless it is absolute.
  std::string Write(const std::string& name, const std::string& contents = "") const {
    const std::filesystem::path full = name.starts_with('/') ? name : File(name);
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << contents;
    return full.string();
  }
};

// Writes a 440 Hz sine at half of full scale in a libsndfile format (SF_FORMAT_WAV | ...); with
// `noise_frames`, loud noise comes first.
inline void WriteTone(const std::string& path, int sf_format, int channels, int rate,
                      int64_t frames, int64_t noise_frames = 0) {
  SF_INFO info{0, rate, channels, sf_format, 0, 0};
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) throw std::runtime_error(std::string("sf_open: ") + sf_strerror(nullptr));
  std::vector<float> samples(static_cast<size_t>(frames * channels));
  for (size_t i = 0; i < samples.size(); ++i) {
    const auto frame = static_cast<double>(i / static_cast<size_t>(channels));
    samples[i] =
        frame < static_cast<double>(noise_frames)
            ? static_cast<float>(std::rand() % 2001 - 1000) / 1000.0f
            : 0.5f * static_cast<float>(std::sin(2 * std::numbers::pi * 440 * frame / rate));
  }
  sf_writef_float(file, samples.data(), frames);
  sf_close(file);
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

// An MP3 of `frames` at 22050 Hz, a quarter noise (large frames) and then a tone (small ones),
// without the header frame that tells its length: a decoder that estimates the length from the
// first frames stops at about a quarter.
inline void WriteHeaderlessVbrMp3(const std::string& path, int64_t frames) {
  WriteTone(path, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 1, 22050, frames, frames / 4);
  const std::string mp3 = ReadBytes(path);
  const size_t second_frame = mp3.find("\xFF\xF3", mp3.find("Xing"));  // MPEG-2 layer III sync
  if (second_frame == std::string::npos) throw std::runtime_error("no header frame in " + path);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << mp3.substr(second_frame);
}

// An OGG Vorbis file of two tones one after the other, each a stream of its own (a chained file).
inline void WriteChainedOgg(const std::string& path, int rate, int64_t first, int64_t second) {
  const int ogg = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
  WriteTone(path, ogg, 1, rate, first);
  WriteTone(path + ".part", ogg, 1, rate, second);
  std::ofstream(path, std::ios::binary | std::ios::app) << ReadBytes(path + ".part");
  std::filesystem::remove(path + ".part");
}

}  // namespace veltro::testing
