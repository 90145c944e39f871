// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/base/environment.h"
#include "platform/events/dialogs.h"
#include "platform/events/event_loop.h"

namespace veltro::platform {

// Everything the three subsystems need of the windowing system and the runtime, by service: the
// event loop and the dialogs of one platform, and the environment every platform shares.
struct UserInterface {
  EventLoop& events;
  Dialogs& dialogs;
  Environment& environment;
};

}  // namespace veltro::platform
