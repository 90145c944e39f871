#pragma once

#include "platform/platform_error.h"

namespace veltro::platform {

// Reports a failure that reached the event loop: on stderr, once per distinct message.
void ReportHandlerFailure(const PlatformError& failure);

// Runs one event handler (a key press or release, a timer tick). A failure that a handler passes
// on (a speech service that went away mid-game) stops that handler only; the event loop reports
// it and the program goes on. Both platforms deliver every event through this.
template <class Handler>
void Dispatch(Handler&& handler) {
  try {
    handler();
  } catch (const PlatformError& failure) {
    ReportHandlerFailure(failure);
  }
}

}  // namespace veltro::platform
