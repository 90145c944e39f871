// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>

#include "desktop_module.h"

namespace veltro::app {

// The desktop module could not be loaded (not installed, or a library it needs is missing).
class DesktopUnavailable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Loads the desktop module on first use and keeps it for the rest of the process. It lies in
// lib/games/veltro-lander beside the installed program's games/, or beside the program in the build
// tree.
const DesktopModule& LoadDesktopModule();

}  // namespace veltro::app
