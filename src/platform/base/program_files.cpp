// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/base/program_files.h"

#include <filesystem>
#include <system_error>

namespace veltro::platform {

std::string FilesFolder(const std::string& program_folder) {
  // The build names the installed folder relative to the program's (normally
  // "../share/veltro-lander").
  std::filesystem::path installed = std::filesystem::path(program_folder) / VELTRO_INSTALLED_FILES;
  std::error_code error;
  if (!program_folder.empty() && std::filesystem::is_directory(installed, error)) {
    return installed.lexically_normal().string();
  }
  return program_folder;
}

}  // namespace veltro::platform
