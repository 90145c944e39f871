// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace veltro::platform::desktop {

// Opens a file in the program the desktop has chosen for its type (a browser for a web page),
// through GIO's look-up of default handlers. Throws PlatformError when no program is registered
// for the type or it cannot be started, or when the desktop has not answered within two seconds
// (the launch goes on, on a thread of its own): the caller then tells the user where the file is.
void OpenWithDefaultHandler(const std::string& path);

}  // namespace veltro::platform::desktop
