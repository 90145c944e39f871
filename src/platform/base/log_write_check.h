// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>
#include <string>

namespace veltro::platform {

// Watches a log the user asked for: the first write that fails (a full disk, a closed pipe) is
// reported once on stderr, and the game goes on without the log. A log stream without a buffer
// is no log at all and never fails.
class LogWriteCheck {
 public:
  // `name` says which log it is, as the report names it ("the speech log").
  explicit LogWriteCheck(std::string name) : name_(std::move(name)) {}

  // Called after each flush of `out`: a test of the stream's state, in line, while it writes.
  void Check(const std::ostream& out) {
    if (!reported_ && !out.good()) Report(out);
  }

 private:
  void Report(const std::ostream& out);

  std::string name_;
  bool reported_ = false;
};

}  // namespace veltro::platform
