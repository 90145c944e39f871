#pragma once

#include <sys/types.h>

#include <string>

namespace veltro::testing {

// A private X server (Xvfb) for the tests that need a real window. It picks a free display
// number itself, points DISPLAY at it while it lives and stops the server afterwards. It also
// isolates the tests from the desktop's buses.
class TestDisplay {
 public:
  TestDisplay();
  ~TestDisplay();
  TestDisplay(const TestDisplay&) = delete;
  TestDisplay& operator=(const TestDisplay&) = delete;

  // Whether the server started; the tests skip themselves when Xvfb is not installed.
  bool ok() const { return pid_ > 0; }
  const std::string& name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
  std::string previous_display_;
  bool had_display_ = false;
};

// Points SDL away from the machine's D-Bus buses: the tests neither depend on them nor leave
// libdbus's never-freed connection buffers behind for the leak checker.
void IsolateFromDesktopBuses();

// Runs a shell command against the test display (xdotool and friends); its exit status.
int RunOnDisplay(const std::string& command);

}  // namespace veltro::testing
