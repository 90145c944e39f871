// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace veltro::testing {

// A private X server on a free display number; DISPLAY points at it while it lives.
class TestDisplay {
 public:
  TestDisplay() {
    // Keeps SDL off the machine's D-Bus buses (and libdbus's never-freed buffers off the leak
    // checker).
    for (const char* bus : {"DBUS_SESSION_BUS_ADDRESS", "DBUS_SYSTEM_BUS_ADDRESS"}) {
      setenv(bus, "unix:path=/nonexistent/veltro-test-bus", 1);
    }
    FILE* out = popen("Xvfb -displayfd 1 -nolisten tcp -noreset 2>/dev/null & echo $!", "r");
    int display = -1;
    if (out == nullptr || std::fscanf(out, "%d %d", &pid_, &display) != 2) display = -1;
    if (out != nullptr) pclose(out);
    if (display < 0 && pid_ > 0) kill(pid_, SIGTERM);
    if (display < 0) pid_ = -1;
    if (ok()) setenv("DISPLAY", (":" + std::to_string(display)).c_str(), 1);
  }
  ~TestDisplay() {
    if (ok()) kill(pid_, SIGTERM);
  }
  bool ok() const { return pid_ > 0; }

 private:
  int pid_ = -1;
};

}  // namespace veltro::testing
