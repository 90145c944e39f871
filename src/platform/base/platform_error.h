// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace veltro::platform {

// A platform call that failed: a device refused a buffer, a file could not be read, a speech
// service did not answer. Every implementation of the seam reports failure with this one type.
class PlatformError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Thrown by EventLoop::EndProgram. It unwinds every nested handler, menu and wait at once and
// is caught only where the program was started (main, or a test that runs a whole program).
class ProgramEnded {
 public:
  explicit ProgramEnded(int status = 0) : status(status) {}
  int status;
};

// Runs one step that may fail and goes on either way: for the operations that skip a failing
// step and continue with the next. Returns whether the step succeeded.
template <class Step>
bool TryStep(Step&& step) {
  try {
    std::forward<Step>(step)();
    return true;
  } catch (const PlatformError&) {
    return false;
  }
}

}  // namespace veltro::platform
