// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/base/log_write_check.h"

#include <cerrno>
#include <cstring>
#include <iostream>

namespace veltro::platform {

void LogWriteCheck::Report(const std::ostream& out) {
  // The stream keeps no reason; the failed write has just set errno.
  const int error = errno;
  reported_ = true;
  if (out.rdbuf() == nullptr) return;  // no log at all: nothing to report, now or later
  std::cerr << "veltro-lander: " << name_ << " cannot be written"
            << (error != 0 ? std::string(" (") + std::strerror(error) + ")" : std::string())
            << "; the game goes on without it\n";
}

}  // namespace veltro::platform
