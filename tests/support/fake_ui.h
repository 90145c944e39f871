#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/timer_list.h"
#include "platform/user_interface.h"

namespace veltro::testing {

// A user interface for unit tests: a clock that moves only when the code under test waits,
// key events the test queues, timers fired from DoEvents, and a record of message boxes.
class FakeUi : public platform::UserInterface {
 public:
  struct ShownBox {
    std::string text, title;
    platform::MessageBoxIcon icon;
    platform::MessageBoxButtons buttons;
  };
  struct KeyEvent {
    bool down;
    int16_t code, shift;
  };

  // Keys queued here reach the key target at the next DoEvents (all pending ones at once).
  void QueueKeyDown(int16_t code, int16_t shift = 0) { keys_.push_back({true, code, shift}); }
  void QueueKeyUp(int16_t code, int16_t shift = 0) { keys_.push_back({false, code, shift}); }
  void QueuePress(int16_t code, int16_t shift = 0) {
    QueueKeyDown(code, shift);
    QueueKeyUp(code, shift);
  }
  // Runs at the start of every DoEvents: lets a test act at a chosen moment of a wait.
  std::function<void()> on_do_events;

  // Virtual seconds added by each DoEvents and each Pause.
  double step = 0.001;
  double now = 0.0;
  // RunMessageLoop returns once the clock passes this (the real loop runs until EndProgram).
  double run_until = 60.0;
  // Random numbers handed out first, before a fixed simple generator takes over.
  std::deque<double> random_values;
  // Files known to FileExists and ReadLines (path -> contents).
  std::map<std::string, std::string> files;
  std::string program_folder = "/opt/veltro";
  std::string command_line;
  platform::MessageBoxResult box_answer = platform::MessageBoxResult::kOk;

  std::vector<ShownBox> boxes;
  std::vector<std::string> sent_keys;
  std::string window_title;
  bool ended = false;
  int do_events_calls = 0;
  int pauses = 0;

  platform::KeyHandler* key_target() const { return target_; }

  // UserInterface
  platform::KeyHandler* SetKeyTarget(platform::KeyHandler* target) override;
  void ShowMainWindow(const std::string& title) override { window_title = title; }
  std::unique_ptr<platform::Timer> CreateTimer(std::function<void()> on_tick) override;
  void DoEvents() override;
  void RunMessageLoop() override;
  void Pause() override;
  [[noreturn]] void EndProgram() override;
  float Clock() override { return static_cast<float>(now); }
  void SeedRandom(float seed) override;
  double Random() override;
  platform::MessageBoxResult MessageBox(const std::string& text, const std::string& title,
                                        platform::MessageBoxIcon icon,
                                        platform::MessageBoxButtons buttons) override;
  void SendKeys(const std::string& keys) override { sent_keys.push_back(keys); }
  std::string ProgramFolder() override { return program_folder; }
  std::string CommandLine() override { return command_line; }
  bool FileExists(const std::string& path) override { return files.count(path) > 0; }
  // Names in `files` that differ only in letter case are found, as on disk.
  std::optional<std::string> FindFile(const std::string& path) override;
  std::vector<std::string> ReadLines(const std::string& path) override;

 private:
  platform::KeyHandler* target_ = nullptr;
  std::deque<KeyEvent> keys_;
  platform::TimerList timers_{[this] { return now; }};
  unsigned random_state_ = 12345;
};

}  // namespace veltro::testing
