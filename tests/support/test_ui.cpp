#include "support/test_ui.h"

#include <filesystem>
#include <fstream>
#include <random>

namespace veltro::testing {
namespace {

std::string NewFolder() {
  std::random_device entropy;
  auto folder = std::filesystem::temp_directory_path() /
                ("veltro-test-" + std::to_string(entropy()) + std::to_string(entropy()));
  std::filesystem::create_directories(folder);
  return folder.string();
}

}  // namespace

TestUi::TestUi() : environment(NewFolder(), "") {
  events.SetKeySource(this);
  events.SetHelp(&dialogs);
}

TestUi::~TestUi() {
  std::error_code error;
  std::filesystem::remove_all(environment.ProgramFolder(), error);
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
