// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/events/dispatch.h"

#include <iostream>

namespace veltro::platform {

void HandlerFailureReport::Report(const PlatformError& failure) {
  if (reported_.insert(failure.what()).second) {
    std::cerr << "veltro-lander: " << failure.what() << " (the game goes on)\n";
  }
}

}  // namespace veltro::platform
