// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

// The folder where the fuzz targets write their inputs as the files the game reads.
namespace veltro::fuzz {

// A fresh folder (in memory where /dev/shm exists), removed when the fuzzer exits.
class Folder {
 public:
  Folder() {
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    path_ = (base / "veltro-fuzz-XXXXXX").string();
    if (mkdtemp(path_.data()) == nullptr) abort();
  }
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  // The folder, without a trailing separator.
  const std::string& path() const { return path_; }

  // Writes `name` in the folder and returns its full path.
  std::string Write(const std::string& name, const uint8_t* data, size_t size) const {
    const std::string file = path_ + "/" + name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) abort();  // the fuzzer itself is broken, not the input
    return file;
  }

 private:
  std::string path_;
};

inline const Folder& TheFolder() {
  static const Folder folder;
  return folder;
}

}  // namespace veltro::fuzz
