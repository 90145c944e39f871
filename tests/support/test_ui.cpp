#include "support/test_ui.h"

namespace veltro::testing {

TestUi::TestUi() {
  events.SetKeySource(this);
  events.SetHelp(&dialogs);
}

std::optional<platform::headless::KeyEvent> TestUi::TakeDueKey(double now) {
  if (now != round_time_) {
    round_time_ = now;
    ++rounds;
    if (on_serve) on_serve();
    round_.insert(round_.end(), keys_.begin(), keys_.end());
    keys_.clear();
  }
  if (round_.empty()) return std::nullopt;
  platform::headless::KeyEvent key = round_.front();
  round_.pop_front();
  return key;
}

}  // namespace veltro::testing
