// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sndfile.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
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

// Writes a 440 Hz sine at half of full scale in a libsndfile format (SF_FORMAT_WAV | ...).
inline void WriteTone(const std::string& path, int sf_format, int channels, int rate,
                      int64_t frames) {
  SF_INFO info{0, rate, channels, sf_format, 0, 0};
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) throw std::runtime_error(std::string("sf_open: ") + sf_strerror(nullptr));
  std::vector<float> samples(static_cast<size_t>(frames * channels));
  for (size_t i = 0; i < samples.size(); ++i) {
    const auto frame = static_cast<double>(i / static_cast<size_t>(channels));
    samples[i] = 0.5f * static_cast<float>(std::sin(2 * std::numbers::pi * 440 * frame / rate));
  }
  sf_writef_float(file, samples.data(), frames);
  sf_close(file);
}

}  // namespace veltro::testing
