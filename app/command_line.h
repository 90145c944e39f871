// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace veltro::app {

// What the user asked for on the command line.
struct CommandLine {
  bool help = false;
  bool version = false;
  bool headless = false;
  bool audio_info = false;  // --audio-info: describe the sound output and exit
  std::string keys;         // --keys SCRIPT
  std::string speech_log;   // --speech-log FILE
  std::string sound_log;    // --sound-log FILE
  double max_seconds = 3600.0;
  uint64_t seed = 0;
  bool fail_screen_reader = false;
  bool fail_voice = false;
  // The arguments that are not options, joined by blanks: the text the game reads ("3").
  std::string game_arguments;
};

// A command line that makes no sense; the message says why.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The options a user is told about (in --help, the man page and README), as "--name" and "-h".
std::vector<std::string> DocumentedOptions();

// The text of --help.
std::string UsageText();

}  // namespace veltro::app
