#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/headless/virtual_clock.h"
#include "platform/timer_list.h"
#include "platform/user_interface.h"

namespace veltro::platform::headless {

// One key press or release as the keyboard would send it.
struct KeyEvent {
  bool down = true;
  int16_t code = 0;
  int16_t shift = 0;
};

// Where the headless user interface gets its key events from: a script, or a test.
class KeySource {
 public:
  virtual ~KeySource() = default;
  // The next key event that is due at `now`, if any; each event is handed out once.
  virtual std::optional<KeyEvent> TakeDueKey(double now) = 0;
  // When the next key event falls due (`now` or earlier when it is already due); nothing while
  // the source waits for something other than time (speech), or when it has no more events.
  virtual std::optional<double> NextDue(double now) = 0;
  // What the source still waits for when the run is cut off; empty when it has finished.
  virtual std::string Waiting() const = 0;
};

// The user interface without a screen or a keyboard: key events come from a KeySource, the clock
// is virtual and moves only while the program waits, message boxes and help requests are
// recorded. Every event is delivered through platform::Dispatch.
class HeadlessUi : public UserInterface {
 public:
  struct Options {
    std::string command_line;
    // Empty: the folder of the running executable.
    std::string program_folder;
    // The run ends with status kTimeLimitStatus once the clock passes this many seconds.
    double max_seconds = 3600.0;
    // Mixed into every SeedRandom, so that runs with different seeds differ.
    uint64_t seed = 0;
    MessageBoxResult message_box_answer = MessageBoxResult::kOk;
  };
  struct ShownBox {
    std::string text, title;
    MessageBoxIcon icon;
    MessageBoxButtons buttons;
  };

  static constexpr int kTimeLimitStatus = 3;
  // How far the clock moves on each DoEvents and each Pause.
  static constexpr double kQuantum = 0.001;

  HeadlessUi(VirtualClock& clock, Options options);
  ~HeadlessUi() override;

  void SetKeySource(KeySource* source) { source_ = source; }
  // Called for every message box and every help request, for a log.
  std::function<void(const std::string& note)> on_note;

  const std::vector<ShownBox>& boxes() const { return boxes_; }
  // How often the help page was opened (F1, or the program sending itself F1).
  int help_opened() const { return help_opened_; }
  const std::string& window_title() const { return window_title_; }
  KeyHandler* key_target() const { return target_; }
  // Why the run was cut off at the time limit; empty otherwise.
  const std::string& time_limit_message() const { return time_limit_message_; }

  // UserInterface
  KeyHandler* SetKeyTarget(KeyHandler* target) override;
  void ShowMainWindow(const std::string& title) override;
  std::unique_ptr<Timer> CreateTimer(std::function<void()> on_tick) override;
  void DoEvents() override;
  void RunMessageLoop() override;
  void Pause() override;
  [[noreturn]] void EndProgram() override;
  float Clock() override { return static_cast<float>(clock_.Now()); }
  void SeedRandom(float seed) override;
  double Random() override;
  MessageBoxResult MessageBox(const std::string& text, const std::string& title,
                              MessageBoxIcon icon, MessageBoxButtons buttons) override;
  void SendKeys(const std::string& keys) override;
  std::string ProgramFolder() override { return options_.program_folder; }
  std::string CommandLine() override { return options_.command_line; }
  bool FileExists(const std::string& path) override;
  std::vector<std::string> ReadLines(const std::string& path) override;

 private:
  // Moves the clock to `time`, ending the run when it passes the time limit.
  void AdvanceTo(double time);
  // Delivers every key event and runs every timer that is due now.
  void Serve();
  void DeliverDueKeys();
  void OpenHelp();
  [[noreturn]] void EndAtTimeLimit();

  VirtualClock& clock_;
  Options options_;
  KeySource* source_ = nullptr;
  KeyHandler* target_ = nullptr;
  TimerList timers_;
  std::mt19937_64 random_;
  std::vector<ShownBox> boxes_;
  int help_opened_ = 0;
  std::string window_title_;
  std::string time_limit_message_;
};

}  // namespace veltro::platform::headless
