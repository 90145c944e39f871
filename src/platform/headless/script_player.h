// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/headless_event_loop.h"
#include "platform/headless/script.h"

namespace veltro::platform::headless {

// Plays a script as the keyboard of a headless run. Commands run in order: a key command hands
// its events to the event loop, which delivers them when the program serves its queue; the
// next command starts once they are delivered. A wait-say holds the script until the program
// has said its text; a sleep holds it for a while on the program's clock.
class ScriptPlayer : public KeySource {
 public:
  // How long a pressed key stays down.
  static constexpr double kPressSeconds = 0.05;
  // A held key's auto-repeat, as an X server's default: the first after 660 ms, then 25 a second.
  static constexpr double kRepeatDelay = 0.66;
  static constexpr double kRepeatInterval = 0.04;

  explicit ScriptPlayer(std::vector<ScriptCommand> commands);

  // Something the program said (the text handed to a speech back-end).
  void Heard(const std::string& text);
  bool Finished() const { return next_ >= commands_.size() && keys_.empty() && !held_; }

  // KeySource
  std::optional<KeyEvent> TakeDueKey(double now) override;
  std::optional<double> NextDue(double now) override;
  std::string Waiting() const override;

 private:
  struct TimedKey {
    double due;
    KeyEvent event;
  };

  // A key held down: when it repeats next, and when it comes up.
  struct Held {
    KeyEvent key;
    double next_repeat;
    double release;
  };

  // Runs every command that can run at `now`.
  void Advance(double now);
  // Queues the held key's next event, one at a time (a long hold would be millions of them).
  void QueueHeldKey();
  // Whether the wait-say text was heard since the previous wait-say; forgets what it matched.
  bool ConsumeHeard(const std::string& text, bool forget);

  std::vector<ScriptCommand> commands_;
  size_t next_ = 0;
  std::deque<TimedKey> keys_;
  std::optional<Held> held_;
  double resume_at_ = 0.0;
  // Utterances since the previous wait-say, as the speech log writes them.
  std::deque<std::string> heard_;
};

}  // namespace veltro::platform::headless
