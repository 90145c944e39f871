#include "support/fake_ui.h"

#include <cctype>

#include "platform/platform_error.h"
#include "platform/text_lines.h"

namespace veltro {
namespace testing {

struct TimerState {
  std::function<void()> on_tick;
  int32_t interval = 0;
  bool enabled = false;
  double next_due = 0.0;
  bool alive = true;
};

class FakeUi::FakeTimer : public platform::Timer {
 public:
  FakeTimer(std::shared_ptr<TimerState> state, const double& now) : state_(state), now_(now) {}
  ~FakeTimer() override { state_->alive = false; }
  void SetInterval(int32_t ms) override {
    state_->interval = ms;
    state_->next_due = now_ + ms / 1000.0;
  }
  int32_t Interval() const override { return state_->interval; }
  void SetEnabled(bool enabled) override {
    if (enabled && !state_->enabled) state_->next_due = now_ + state_->interval / 1000.0;
    state_->enabled = enabled;
  }
  bool Enabled() const override { return state_->enabled; }

 private:
  std::shared_ptr<TimerState> state_;
  const double& now_;
};

platform::KeyHandler* FakeUi::SetKeyTarget(platform::KeyHandler* target) {
  platform::KeyHandler* previous = target_;
  target_ = target;
  return previous;
}

std::unique_ptr<platform::Timer> FakeUi::CreateTimer(std::function<void()> on_tick) {
  auto state = std::make_shared<TimerState>();
  state->on_tick = std::move(on_tick);
  timers_.push_back(state);
  return std::make_unique<FakeTimer>(state, now);
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
  FireDueTimers();
}

void FakeUi::FireDueTimers() {
  // Copy: a tick may create timers; a timer destroyed meanwhile is skipped.
  std::vector<std::shared_ptr<TimerState>> timers = timers_;
  for (const auto& timer : timers) {
    if (!timer->alive || !timer->enabled || timer->interval <= 0) continue;
    if (timer->next_due > now + 1e-9) continue;
    timer->next_due = now + timer->interval / 1000.0;
    Dispatch(timer->on_tick);
  }
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
