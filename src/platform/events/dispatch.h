// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <set>
#include <string>

#include "platform/base/platform_error.h"

namespace veltro::platform {

// Reports the failures that reached the event loop: on stderr, once per distinct message, so a
// service that is gone (it fails on every utterance) is named once, not at every key.
class HandlerFailureReport {
 public:
  void Report(const PlatformError& failure);

  // Runs one event handler; a PlatformError it passes on stops that handler only and is reported.
  template <class Handler>
  void Run(Handler&& handler) {
    try {
      handler();
    } catch (const PlatformError& failure) {
      Report(failure);
    }
  }

 private:
  std::set<std::string> reported_;
};

}  // namespace veltro::platform
