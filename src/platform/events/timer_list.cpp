// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/events/timer_list.h"

#include <algorithm>

#include "platform/events/dispatch.h"

namespace veltro::platform {
namespace {

// Timers due within this margin of the clock count as due (sums of intervals are inexact).
constexpr double kDueMargin = 1e-9;

}  // namespace

struct TimerList::State {
  std::function<void()> on_tick;
  int32_t interval_ms = 0;
  bool enabled = false;
  bool alive = true;
  double due = 0;
  uint64_t order = 0;  // creation order, for timers due at the same moment

  bool Armed() const { return alive && enabled && interval_ms > 0; }
  double Interval() const { return interval_ms / 1000.0; }
};

class TimerList::Handle : public Timer {
 public:
  Handle(std::shared_ptr<State> state, std::shared_ptr<const std::function<double()>> now)
      : state_(std::move(state)), now_(std::move(now)) {}
  // The state may outlive the handle while a round runs; it never fires again.
  ~Handle() override { state_->alive = false; }

  void SetInterval(int32_t milliseconds) override {
    state_->interval_ms = std::max<int32_t>(milliseconds, 0);
    state_->due = (*now_)() + state_->Interval();
  }
  int32_t Interval() const override { return state_->interval_ms; }
  void SetEnabled(bool enabled) override {
    if (enabled && !state_->enabled) state_->due = (*now_)() + state_->Interval();
    state_->enabled = enabled;
  }
  bool Enabled() const override { return state_->enabled; }

 private:
  std::shared_ptr<State> state_;
  std::shared_ptr<const std::function<double()>> now_;
};

TimerList::TimerList(std::function<double()> now)
    : now_(std::make_shared<const std::function<double()>>(std::move(now))) {}

TimerList::~TimerList() {
  for (const auto& timer : timers_) timer->alive = false;
}

std::unique_ptr<Timer> TimerList::Create(std::function<void()> on_tick) {
  auto state = std::make_shared<State>();
  state->on_tick = std::move(on_tick);
  state->order = created_++;
  timers_.push_back(state);
  return std::make_unique<Handle>(std::move(state), now_);
}

bool TimerList::FireDue(HandlerFailureReport& failures) {
  std::erase_if(timers_, [](const auto& timer) { return !timer->alive; });
  auto due = [this](const State& timer) {
    return timer.Armed() && timer.due <= (*now_)() + kDueMargin;
  };
  std::vector<std::shared_ptr<State>> round;
  for (const auto& timer : timers_) {
    if (due(*timer)) round.push_back(timer);
  }
  std::sort(round.begin(), round.end(), [](const auto& a, const auto& b) {
    return a->due != b->due ? a->due < b->due : a->order < b->order;
  });
  bool ran = false;
  for (const auto& timer : round) {
    if (!due(*timer)) continue;  // disabled, destroyed or already fired by a nested round
    const double now = (*now_)();
    timer->due += timer->Interval();
    if (timer->due <= now + kDueMargin) timer->due = now + timer->Interval();
    ran = true;
    failures.Run(timer->on_tick);
  }
  return ran;
}

std::optional<double> TimerList::NextDue() const {
  std::optional<double> next;
  for (const auto& timer : timers_) {
    if (timer->Armed() && (!next || timer->due < *next)) next = timer->due;
  }
  return next;
}

double TimerList::LongestInterval() const {
  double longest = 0;
  for (const auto& timer : timers_) {
    if (timer->Armed()) longest = std::max(longest, timer->Interval());
  }
  return longest;
}

void TimerList::SkipTicksBefore(double time) {
  for (const auto& timer : timers_) {
    if (!timer->Armed()) continue;
    // Added one interval at a time, as firing does, so the ticks fall where they would have.
    while (timer->due < time - kDueMargin) timer->due += timer->Interval();
  }
}

}  // namespace veltro::platform
