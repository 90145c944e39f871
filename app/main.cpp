// SPDX-License-Identifier: GPL-3.0-or-later
// veltro-lander: the desktop game, or a headless run of it played by a script.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "command_line.h"
#include "desktop_loader.h"
#include "headless_run.h"

namespace {

using veltro::app::RunOutcome;

constexpr int kUsageStatus = 2;
constexpr const char* kHeadlessAdvice =
    "To play a script without the desktop, use --headless --keys SCRIPT.";
constexpr const char* kCopyright =
    "Copyright (C) 2026 The Veltro Lander developers\n"
    "License GPL-3.0-or-later: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";
// A script is a few hundred lines; anything much larger is not one.
constexpr uintmax_t kMaxScriptBytes = 1u << 20;

int Fail(int status, const std::string& message) {
  std::cerr << "veltro-lander: " << message << "\n";
  return status;
}

// The system's reason for a failed file operation; a stream that failed without one is named so.
std::string Reason(int error) {
  return error != 0 ? std::strerror(error) : "the file could not be opened or read";
}

// A log that someone may follow as the game runs gets each line at once: a terminal, a pipe, or
// any log of the desktop game (a few lines a second, which players and tests read as they come).
// A headless run writes its file in whole blocks, and the rest at each message box and at the end.
std::ostream* LinesAtOnceUnlessBlocks(std::ostream* log, bool blocks, bool found,
                                      const struct stat& status) {
  if (!blocks || !found || !S_ISREG(status.st_mode)) log->setf(std::ios::unitbuf);
  return log;
}

// A log the user asked for: a file, or standard output for "-" (a terminal or braille user
// follows the game there). `file` keeps the file open; null when no log was asked for.
std::ostream* OpenLog(const std::string& path, bool headless,
                      std::unique_ptr<std::ofstream>& file) {
  if (path.empty()) return nullptr;
  struct stat status {};
  if (path == "-") {
    return LinesAtOnceUnlessBlocks(&std::cout, headless, fstat(STDOUT_FILENO, &status) == 0,
                                   status);
  }
  errno = 0;
  file = std::make_unique<std::ofstream>(path, std::ios::binary | std::ios::trunc);
  if (!*file) throw veltro::app::UsageError("cannot write " + path + ": " + Reason(errno));
  return LinesAtOnceUnlessBlocks(file.get(), headless, stat(path.c_str(), &status) == 0, status);
}

std::string ReadScript(const std::string& path) {
  std::error_code error;
  uintmax_t size = std::filesystem::file_size(path, error);
  if (error)
    throw veltro::app::UsageError("cannot read the script " + path + ": " + error.message());
  if (size > kMaxScriptBytes) throw veltro::app::UsageError("the script " + path + " is too large");
  errno = 0;
  std::ifstream file(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!file.eof() && file.fail())
    throw veltro::app::UsageError("cannot read the script " + path + ": " + Reason(errno));
  return text;
}

int Main(const std::vector<std::string>& arguments) {
  veltro::app::CommandLine line;
  std::unique_ptr<std::ofstream> speech_file, sound_file;
  std::ostream *speech_log = nullptr, *sound_log = nullptr;
  veltro::app::HeadlessOptions headless;
  try {
    line = veltro::app::ParseCommandLine(arguments);
    if (line.help) {
      std::cout << veltro::app::UsageText();
      return 0;
    }
    if (line.version) {
      std::cout << "veltro-lander " << VELTRO_VERSION << "\n" << kCopyright;
      return 0;
    }
    if (line.audio_info) {
      try {
        return veltro::app::LoadDesktopModule().audio_info(std::cout, std::cerr);
      } catch (const veltro::app::DesktopUnavailable& error) {
        return Fail(1, error.what());
      }
    }
    if (line.headless) headless.script = ReadScript(line.keys);
    speech_log = OpenLog(line.speech_log, line.headless, speech_file);
    sound_log = OpenLog(line.sound_log, line.headless, sound_file);
  } catch (const veltro::app::UsageError& error) {
    return Fail(kUsageStatus, std::string(error.what()) + " (see --help)");
  }

  RunOutcome outcome;
  if (line.headless) {
    headless.speech_log = speech_log;
    headless.sound_log = sound_log;
    headless.command_line = line.game_arguments;
    headless.max_seconds = line.max_seconds;
    headless.seed = line.seed;
    headless.fail_screen_reader = line.fail_screen_reader;
    headless.fail_voice = line.fail_voice;
    outcome = veltro::app::RunHeadless(headless);
  } else {
    try {
      outcome = veltro::app::LoadDesktopModule().run(line.game_arguments, speech_log, sound_log);
    } catch (const veltro::app::DesktopUnavailable& error) {
      outcome = {1, std::string(error.what()) + "\n" + kHeadlessAdvice};
    }
  }
  if (!outcome.message.empty()) Fail(outcome.status, outcome.message);
  return outcome.status;
}

}  // namespace

int main(int argc, char** argv) {
  // A log whose reader went away (`--speech-log - | head`) must not end the game: the write fails
  // with EPIPE instead, and the log's check reports it once.
  std::signal(SIGPIPE, SIG_IGN);
  return Main(std::vector<std::string>(argv + 1, argv + argc));
}
