// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/headless/script_player.h"

#include <algorithm>
#include <utility>

#include "platform/speech/spoken_form.h"

namespace veltro::platform::headless {
namespace {

// A program that talks for hours without a wait-say should not grow the memory without end.
constexpr size_t kMaxHeard = 10000;
constexpr double kMargin = 1e-9;

std::string TrimEnd(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  return text;
}

}  // namespace

ScriptPlayer::ScriptPlayer(std::vector<ScriptCommand> commands) : commands_(std::move(commands)) {}

void ScriptPlayer::Heard(const std::string& text) {
  heard_.push_back(TrimEnd(EscapeSpeechText(text)));
  if (heard_.size() > kMaxHeard) heard_.pop_front();
}

bool ScriptPlayer::ConsumeHeard(const std::string& text, bool forget) {
  auto match = std::find(heard_.begin(), heard_.end(), text);
  if (match == heard_.end()) return false;
  // What was said after the awaited text counts for the next wait-say.
  if (forget) heard_.erase(heard_.begin(), match + 1);
  return true;
}

void ScriptPlayer::Advance(double now) {
  while (next_ < commands_.size() && keys_.empty() && !held_ && now + kMargin >= resume_at_) {
    const ScriptCommand& command = commands_[next_];
    switch (command.kind) {
      case ScriptCommand::Kind::kWaitSay:
        if (!ConsumeHeard(command.text, true)) return;
        break;
      case ScriptCommand::Kind::kPress:
        keys_.push_back({now, {true, command.key.code, command.key.shift}});
        keys_.push_back({now + kPressSeconds, {false, command.key.code, command.key.shift}});
        break;
      case ScriptCommand::Kind::kDown:
      case ScriptCommand::Kind::kUp:
        keys_.push_back(
            {now,
             {command.kind == ScriptCommand::Kind::kDown, command.key.code, command.key.shift}});
        break;
      case ScriptCommand::Kind::kHold:
        keys_.push_back({now, {true, command.key.code, command.key.shift}});
        held_ = Held{{true, command.key.code, command.key.shift, true},
                     now + kRepeatDelay,
                     now + command.seconds};
        break;
      case ScriptCommand::Kind::kSleep:
        resume_at_ = now + command.seconds;
        break;
    }
    ++next_;
  }
}

void ScriptPlayer::QueueHeldKey() {
  if (!keys_.empty() || !held_) return;
  if (held_->next_repeat < held_->release) {
    keys_.push_back({held_->next_repeat, held_->key});
    held_->next_repeat += kRepeatInterval;
  } else {
    keys_.push_back({held_->release, {false, held_->key.code, held_->key.shift}});
    held_.reset();
  }
}

std::optional<KeyEvent> ScriptPlayer::TakeDueKey(double now) {
  Advance(now);
  QueueHeldKey();
  if (keys_.empty() || keys_.front().due > now + kMargin) return std::nullopt;
  KeyEvent event = keys_.front().event;
  keys_.pop_front();
  // The next command starts from the moment this key was delivered.
  if (keys_.empty() && !held_) resume_at_ = std::max(resume_at_, now);
  return event;
}

std::optional<double> ScriptPlayer::NextDue(double now) {
  QueueHeldKey();
  if (!keys_.empty()) return keys_.front().due;
  if (next_ >= commands_.size()) return std::nullopt;
  const ScriptCommand& command = commands_[next_];
  if (command.kind == ScriptCommand::Kind::kWaitSay) {
    // A text already heard is taken once the sleep before it has passed.
    if (ConsumeHeard(command.text, false)) return std::max(resume_at_, now);
    return std::nullopt;  // only the program's own timers can make it speak
  }
  return std::max(resume_at_, now);
}

std::string ScriptPlayer::Waiting() const {
  if (next_ >= commands_.size()) return keys_.empty() && !held_ ? "" : "its last key events";
  const ScriptCommand& command = commands_[next_];
  std::string where = " (script line " + std::to_string(command.line) + ")";
  if (command.kind == ScriptCommand::Kind::kWaitSay) {
    return "wait-say \"" + command.text + "\"" + where;
  }
  return "its next command" + where;
}

}  // namespace veltro::platform::headless
