// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/test_ui.h"

#include <stdexcept>

namespace veltro::testing {

TestUi::TestUi() {
  events.SetKeySource(this);
  events.SetHelp(&dialogs);
}

std::optional<platform::headless::KeyEvent> TestUi::TakeDueKey(double now) {
  if (now != round_time_) {
    round_time_ = now;
    ++rounds;
    if (now > give_up_at) throw std::runtime_error("the program kept waiting for keys");
    if (on_serve) on_serve();
    if (!script.empty()) QueueKeyDown(script.front().code, script.front().shift);
    if (!script.empty()) script.pop_front();
    round_.insert(round_.end(), keys_.begin(), keys_.end());
    keys_.clear();
  }
  if (round_.empty()) return std::nullopt;
  platform::headless::KeyEvent key = round_.front();
  round_.pop_front();
  return key;
}

}  // namespace veltro::testing
