// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "platform/base/environment.h"
#include "platform/events/user_interface.h"
#include "platform/headless/headless_dialogs.h"
#include "platform/headless/headless_event_loop.h"
#include "platform/headless/virtual_clock.h"
#include "support/audio_file_fixtures.h"

namespace veltro::testing {

// The headless platform's own event loop, dialogs and environment, over a fresh temporary program
// folder that is removed afterwards. Keys a test queues reach the key target when the queue is
// next served, and `on_serve` lets a test act at each round of a wait. The keys of `script` go out
// one per round, so that each menu or key loop gets exactly the keys meant for it.
class TestUi : public platform::headless::KeySource {
 public:
  TestUi();
  TestUi(const TestUi&) = delete;
  TestUi& operator=(const TestUi&) = delete;

  // The three services, as the subsystems take them.
  platform::UserInterface ui() { return {events, dialogs, environment}; }
  // The program folder, with the trailing separator the subsystems put before file names.
  std::string Folder() const { return environment.ProgramFolder() + "/"; }

  void QueueKeyDown(int16_t code, int16_t shift = 0) { keys_.push_back({true, code, shift}); }
  // Runs at the start of every round of serving the queue, before the keys queued so far go out.
  std::function<void()> on_serve;
  // How many rounds the queue was served.
  int rounds = 0;
  struct Key {
    int16_t code, shift = 0;
  };
  std::deque<Key> script;
  // A program still waiting at this virtual time fails the test instead of never ending.
  double give_up_at = 1000;

  TempDir folder;
  platform::headless::VirtualClock clock;
  platform::Environment environment{folder.path, ""};
  platform::headless::HeadlessEventLoop events{clock};
  platform::headless::HeadlessDialogs dialogs;

  // KeySource
  std::optional<platform::headless::KeyEvent> TakeDueKey(double now) override;
  std::optional<double> NextDue(double) override { return std::nullopt; }
  std::string Waiting() const override { return ""; }

 private:
  std::deque<platform::headless::KeyEvent> keys_, round_;
  double round_time_ = -1;
};

}  // namespace veltro::testing
