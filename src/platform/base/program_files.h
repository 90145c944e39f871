// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace veltro::platform {

// The folder that holds the program's own files (its sounds and help page), given the folder of
// the program itself. Installed, they lie in share/veltro-lander beside the program's bin/ folder;
// in the build tree they lie beside the program. Either way the program finds them from its own
// path, wherever it was installed or unpacked.
std::string FilesFolder(const std::string& program_folder);

}  // namespace veltro::platform
