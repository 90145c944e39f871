#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dispatch.h"

namespace veltro::platform {

// Receives the key presses and releases of whichever window has the keyboard.
class KeyHandler {
 public:
  virtual ~KeyHandler() = default;
  virtual void KeyDown(int16_t KeyCode, int16_t Shift) = 0;
  virtual void KeyUp(int16_t KeyCode, int16_t Shift) = 0;
};

// A periodic timer of a window. It fires only while the queue is served (DoEvents or the message
// loop), on the user-interface thread. It may fire again while its own handler is still running
// (the handler serves the queue itself); the handlers guard against that with their own flags.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void SetInterval(int32_t milliseconds) = 0;
  virtual int32_t Interval() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
};

enum class MessageBoxIcon { kNone, kCritical, kInformation };
enum class MessageBoxButtons { kOk, kOkCancel };
enum class MessageBoxResult { kOk, kCancel };

// Everything the three subsystems need of the windowing system and the runtime.
// Failures are reported by throwing PlatformError.
class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // Windows and keys. Key events go to the current key target; the speech form takes the keyboard
  // while its key loops run and gives it back afterwards. Returns the previous target.
  virtual KeyHandler* SetKeyTarget(KeyHandler* target) = 0;
  virtual void ShowMainWindow(const std::string& title) = 0;

  // Timers start disabled with an interval of 0; `on_tick` runs each time the timer fires.
  virtual std::unique_ptr<Timer> CreateTimer(std::function<void()> on_tick) = 0;

  // Serve the queue once: deliver pending key events, run every timer that is due, return.
  virtual void DoEvents() = 0;
  // Wait for events and timers until EndProgram is called.
  virtual void RunMessageLoop() = 0;
  // Give the processor away briefly, without serving the queue: for loops that poll a sound.
  virtual void Pause() = 0;
  // Ends the program at once by throwing ProgramEnded; nothing is released first.
  [[noreturn]] virtual void EndProgram() = 0;

  // Seconds on a monotonic clock, in single precision.
  virtual float Clock() = 0;
  // Uniform random numbers in [0, 1), seeded once.
  virtual void SeedRandom(float seed) = 0;
  virtual double Random() = 0;

  // A modal message box. The user hears its text as well as seeing it.
  virtual MessageBoxResult MessageBox(const std::string& text, const std::string& title,
                                      MessageBoxIcon icon, MessageBoxButtons buttons) = 0;
  // Sends a keystroke to the program's own window; "{f1}" opens the help page.
  virtual void SendKeys(const std::string& keys) = 0;

  // The program's folder (without a trailing separator): where its own files (sounds, help)
  // lie, share/veltro-lander once installed (FilesFolder); and its command-line argument text.
  virtual std::string ProgramFolder() = 0;
  virtual std::string CommandLine() = 0;
  // Whether a file of that name exists.
  virtual bool FileExists(const std::string& path) = 0;
  // The directory look-up of a file name, ignoring letter case as the program's sound names do:
  // the path as it is on disk, or nothing when there is no such file.
  virtual std::optional<std::string> FindFile(const std::string& path);
  // The lines of a text file: a line ends at a carriage return or a carriage return and line
  // feed; a line feed alone does not end a line. Throws PlatformError when it cannot be read.
  virtual std::vector<std::string> ReadLines(const std::string& path) = 0;

  // Runs one event handler (a key press or release, a timer tick, the start of the program). A
  // failure that a handler passes on (a speech service that went away mid-game) stops that handler
  // only; it is reported and the program goes on. Every implementation delivers events through it.
  template <class Handler>
  void Dispatch(Handler&& handler) {
    try {
      handler();
    } catch (const PlatformError& failure) {
      failures_.Report(failure);
    }
  }

 private:
  HandlerFailureReport failures_;
};

}  // namespace veltro::platform
