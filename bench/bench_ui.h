#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform_error.h"
#include "platform/text_lines.h"
#include "platform/user_interface.h"

namespace veltro::bench {

// Just enough of a user interface for a benchmark: no window, timers that never fire, real files,
// and a clock that moves only as the benchmark says.
class BenchUi : public platform::UserInterface {
 public:
  // Seconds added each time the clock is read (a flight tick reads it once).
  float clock_step_per_read = 0;
  float now = 0;
  std::string program_folder = ".";

  platform::KeyHandler* SetKeyTarget(platform::KeyHandler* target) override {
    std::swap(target, target_);
    return target;
  }
  void ShowMainWindow(const std::string&) override {}
  std::unique_ptr<platform::Timer> CreateTimer(std::function<void()>) override {
    return std::make_unique<IdleTimer>();
  }
  void DoEvents() override { now += 0.001f; }
  void RunMessageLoop() override {}
  void Pause() override { now += 0.001f; }
  [[noreturn]] void EndProgram() override { throw platform::ProgramEnded(0); }
  float Clock() override { return now += clock_step_per_read; }
  void SeedRandom(float) override {}
  double Random() override {
    state_ = state_ * 1103515245u + 12345u;
    return ((state_ >> 8) & 0xFFFFFF) / 16777216.0;
  }
  platform::MessageBoxResult MessageBox(const std::string& text, const std::string&,
                                        platform::MessageBoxIcon,
                                        platform::MessageBoxButtons) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
    return platform::MessageBoxResult::kOk;
  }
  void SendKeys(const std::string&) override {}
  std::string ProgramFolder() override { return program_folder; }
  std::string CommandLine() override { return ""; }
  bool FileExists(const std::string& path) override { return platform::RegularFileExists(path); }
  std::vector<std::string> ReadLines(const std::string& path) override {
    return platform::ReadTextFileLines(path);
  }

 private:
  class IdleTimer : public platform::Timer {
   public:
    void SetInterval(int32_t ms) override { interval_ = ms; }
    int32_t Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    bool Enabled() const override { return enabled_; }

   private:
    int32_t interval_ = 0;
    bool enabled_ = false;
  };

  platform::KeyHandler* target_ = nullptr;
  unsigned state_ = 1;
};

}  // namespace veltro::bench
