#include "support/fake_ui.h"

#include <cctype>

#include "platform/platform_error.h"
#include "platform/text_lines.h"

namespace veltro {
namespace testing {

platform::KeyHandler* FakeUi::SetKeyTarget(platform::KeyHandler* target) {
  platform::KeyHandler* previous = target_;
  target_ = target;
  return previous;
}

std::unique_ptr<platform::Timer> FakeUi::CreateTimer(std::function<void()> on_tick) {
  return timers_.Create(std::move(on_tick));
}

void FakeUi::DoEvents() {
  ++do_events_calls;
  if (on_do_events) on_do_events();
  now += step;
  std::deque<KeyEvent> pending;
  pending.swap(keys_);
  for (const KeyEvent& key : pending) {
    if (target_ == nullptr) continue;
    platform::KeyHandler* target = target_;
    Dispatch([&] {
      if (key.down) {
        target->KeyDown(key.code, key.shift);
      } else {
        target->KeyUp(key.code, key.shift);
      }
    });
  }
  timers_.FireDue(*this);
}

void FakeUi::RunMessageLoop() {
  while (!ended && now < run_until) DoEvents();
}

void FakeUi::Pause() {
  ++pauses;
  now += step;
}

void FakeUi::EndProgram() {
  ended = true;
  throw platform::ProgramEnded(0);
}

void FakeUi::SeedRandom(float seed) {
  random_state_ = static_cast<unsigned>(seed * 1000.0f) + 1u;
}

double FakeUi::Random() {
  if (!random_values.empty()) {
    double value = random_values.front();
    random_values.pop_front();
    return value;
  }
  random_state_ = random_state_ * 1103515245u + 12345u;
  return ((random_state_ >> 8) & 0xFFFFFF) / 16777216.0;
}

platform::MessageBoxResult FakeUi::MessageBox(const std::string& text, const std::string& title,
                                              platform::MessageBoxIcon icon,
                                              platform::MessageBoxButtons buttons) {
  boxes.push_back({text, title, icon, buttons});
  return box_answer;
}

std::optional<std::string> FakeUi::FindFile(const std::string& path) {
  auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  if (files.count(path) > 0) return path;
  for (const auto& [name, contents] : files) {
    if (lower(name) == lower(path)) return name;
  }
  return std::nullopt;
}

std::vector<std::string> FakeUi::ReadLines(const std::string& path) {
  auto file = files.find(path);
  if (file == files.end()) throw platform::PlatformError("cannot open " + path);
  return platform::SplitLines(file->second);
}

}  // namespace testing
}  // namespace veltro
