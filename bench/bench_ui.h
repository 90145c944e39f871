// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <string>

#include "platform/base/environment.h"
#include "platform/events/user_interface.h"
#include "platform/headless/headless_dialogs.h"
#include "platform/headless/headless_event_loop.h"
#include "platform/headless/virtual_clock.h"

namespace veltro::bench {

// The headless platform's event loop, dialogs and environment for a benchmark: a clock that moves
// only as the benchmark says, and message boxes printed so that a failing set-up shows.
struct BenchUi {
  BenchUi() {
    dialogs.on_note = [](const std::string& note) { std::fprintf(stderr, "%s\n", note.c_str()); };
  }
  platform::UserInterface ui() { return {events, dialogs, environment}; }

  platform::headless::VirtualClock clock;
  platform::headless::HeadlessEventLoop events{clock};
  platform::headless::HeadlessDialogs dialogs;
  platform::Environment environment{".", ""};
};

}  // namespace veltro::bench
