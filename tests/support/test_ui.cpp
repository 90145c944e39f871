#include "support/test_ui.h"

#include <filesystem>
#include <fstream>

namespace veltro::testing {

TestUi::TestUi() {
  events.SetKeySource(this);
  events.SetHelp(&dialogs);
}

void TestUi::WriteFile(const std::string& path, const std::string& contents) {
  std::filesystem::path full = path.starts_with('/') ? path : Folder() + path;
  std::filesystem::create_directories(full.parent_path());
  std::ofstream(full, std::ios::binary) << contents;
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
