#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace veltro::testing {

// A fresh directory under the system's temp folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Writes a sine tone of `hertz` at half of full scale with libsndfile; `sf_format` is a
// libsndfile format (SF_FORMAT_WAV | SF_FORMAT_PCM_16, SF_FORMAT_OGG | SF_FORMAT_VORBIS, ...).
void WriteTone(const std::string& path, int sf_format, int channels, int rate, int64_t frames,
               double hertz = 440.0);

// Writes raw bytes to a file.
void WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace veltro::testing
