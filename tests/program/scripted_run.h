#pragma once

#include <string>
#include <vector>

namespace veltro::testing {

// One line of a speech log: the program's clock and the text (line endings as \r and \n).
struct LoggedSpeech {
  double time = 0.0;
  std::string text;
};

// The outcome of running the built veltro-lander binary headless on one of the test scripts.
struct ScriptedRun {
  int status = -1;
  std::string errors;  // what it wrote on stderr
  std::vector<LoggedSpeech> speech;
  std::string sound_log;

  // The time of the first logged line with exactly this text at or after `from`; -1 if none.
  double TimeOf(const std::string& text, double from = 0.0) const;
  // Whether the texts appear in this order (other lines may lie between them).
  bool SaysInOrder(const std::vector<std::string>& texts) const;
  bool Says(const std::string& text) const { return TimeOf(text) >= 0.0; }
};

// Runs `veltro-lander --headless --keys <tests/program/scripts/script> --speech-log ...
// --sound-log ... <extra arguments>` and collects what it left behind.
ScriptedRun RunScript(const std::string& script, const std::string& extra_arguments = "");

}  // namespace veltro::testing
