#include "platform/file_names.h"

#include <filesystem>
#include <system_error>

#include "platform/text.h"

namespace veltro::platform {
namespace {

// The entry of `folder` whose name matches `name` ignoring case (an exact match first).
std::optional<std::filesystem::path> FindEntry(const std::filesystem::path& folder,
                                               const std::string& name) {
  std::error_code error;
  if (std::filesystem::exists(folder / name, error)) return folder / name;
  std::filesystem::directory_iterator entries(folder.empty() ? "." : folder, error);
  if (error) return std::nullopt;
  for (const auto& entry : entries) {
    if (SameIgnoringCase(entry.path().filename().string(), name))
      return folder / entry.path().filename();
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> FindFileIgnoringCase(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (path.empty()) return std::nullopt;
  if (fs::is_regular_file(path, error)) return path;

  fs::path wanted(path);
  fs::path found = wanted.root_path();
  for (const fs::path& part : wanted.relative_path()) {
    std::string name = part.string();
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      found /= name;
      continue;
    }
    std::optional<fs::path> entry = FindEntry(found, name);
    if (!entry) return std::nullopt;
    found = *entry;
  }
  if (!fs::is_regular_file(found, error)) return std::nullopt;
  return found.string();
}

}  // namespace veltro::platform
