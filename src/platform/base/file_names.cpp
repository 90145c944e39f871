// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/base/file_names.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/base/text.h"

namespace veltro::platform {
namespace {

// The entry of `folder` whose name matches `name` ignoring case (an exact match first).
std::optional<std::filesystem::path> FindEntry(const std::filesystem::path& folder,
                                               const std::string& name,
                                               const UnlistableFolder& unlistable) {
  std::error_code error;
  if (std::filesystem::exists(folder / name, error)) return folder / name;
  const std::filesystem::path listed = folder.empty() ? "." : folder;
  std::filesystem::directory_iterator entries(listed, error);
  if (error) {
    // A folder that is not there is simply not found; one that is there and cannot be read
    // loses every sound in it whose name differs in letter case, which is worth telling.
    const bool missing =
        error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory;
    if (!missing && unlistable) unlistable(listed.string(), error);
    return std::nullopt;
  }
  for (const auto& entry : entries) {
    if (SameIgnoringCase(entry.path().filename().string(), name))
      return folder / entry.path().filename();
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> FindFileIgnoringCase(const std::string& path,
                                                const UnlistableFolder& unlistable) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (path.empty()) return std::nullopt;
  if (fs::is_regular_file(path, error)) return path;

  // Names written for Windows separate their folders with "\"; here only "/" does.
  std::string slashed = path;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  fs::path wanted(slashed);
  fs::path found = wanted.root_path();
  for (const fs::path& part : wanted.relative_path()) {
    std::string name = part.string();
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      found /= name;
      continue;
    }
    std::optional<fs::path> entry = FindEntry(found, name, unlistable);
    if (!entry) return std::nullopt;
    found = *entry;
  }
  if (!fs::is_regular_file(found, error)) return std::nullopt;
  return found.string();
}

}  // namespace veltro::platform
