#include "audio_file_fixtures.h"

#include <sndfile.h>
#include <stdlib.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace veltro::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "veltro-audio-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteTone(const std::string& path, int sf_format, int channels, int rate, int64_t frames,
               double hertz) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = sf_format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) throw std::runtime_error(std::string("sf_open: ") + sf_strerror(nullptr));
  std::vector<float> samples(static_cast<size_t>(frames * channels));
  for (int64_t i = 0; i < frames; ++i) {
    const float value =
        0.5f * static_cast<float>(std::sin(2 * std::numbers::pi * hertz * i / rate));
    for (int c = 0; c < channels; ++c) samples[static_cast<size_t>(i * channels + c)] = value;
  }
  sf_writef_float(file, samples.data(), frames);
  sf_close(file);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace veltro::testing
