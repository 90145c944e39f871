// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/base/environment.h"

#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "platform/base/file_names.h"
#include "platform/base/text_lines.h"

namespace veltro::platform {

Environment::Environment(std::string program_folder, std::string command_line, uint64_t salt)
    : program_folder_(std::move(program_folder)),
      command_line_(std::move(command_line)),
      salt_(salt) {
  SeedRandom(0.0f);
}

bool Environment::FileExists(const std::string& path) const {
  return RegularFileExists(path);
}

std::optional<std::string> Environment::FindFile(const std::string& path) const {
  // Names are few (the game's sounds); a program that asks for endless new ones starts afresh.
  constexpr size_t kMostRemembered = 256;
  if (const auto found = found_.find(path);
      found != found_.end() && RegularFileExists(found->second)) {
    return found->second;
  }
  std::optional<std::string> on_disk =
      FindFileIgnoringCase(path, [this](const std::string& folder, std::error_code error) {
        if (!unlistable_reported_.insert(folder).second) return;
        std::cerr << "veltro-lander: cannot list the folder \"" << folder << "\" ("
                  << error.message()
                  << "): sound files whose names differ in letter case are not found there\n";
      });
  if (found_.size() >= kMostRemembered) found_.clear();
  if (on_disk) found_[path] = *on_disk;
  return on_disk;
}

std::vector<std::string> Environment::ReadLines(const std::string& path) const {
  return ReadTextFileLines(path);
}

void Environment::SeedRandom(float seed) {
  uint32_t seed_bits = 0;
  std::memcpy(&seed_bits, &seed, sizeof seed_bits);
  random_.seed(seed_bits ^ (salt_ * 0x9E3779B97F4A7C15ull));
}

double Environment::Random() {
  // The top 53 bits make a double spread evenly over [0, 1): never 1.
  return static_cast<double>(random_() >> 11) * 0x1.0p-53;
}

std::string ExecutableFolder() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::filesystem::current_path(error).string();
  std::string folder = exe.parent_path().string();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

}  // namespace veltro::platform
