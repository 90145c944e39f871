#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>

#include "headless_run.h"

namespace veltro::app {

inline const std::string kClosingPrompt =
    "Press Escape to exit, N to select a new planet, or  any other key to try again.";
inline const std::string kMoonFinalReport = "Final Fuel 224, Final Velocity 100.\\r\\n";
inline const std::string kBoxKeys = "Press Enter or Escape to close this message.";

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

// How often `part` occurs in `text`.
inline int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = 0; (at = text.find(part, at)) != std::string::npos; ++at) ++count;
  return count;
}

// A headless run in this process of one of the scripts in tests/program/scripts, logging speech.
inline HeadlessOptions InProcess(const std::string& script, std::ostream& speech_log,
                                 const std::string& folder = VELTRO_BIN_DIR) {
  HeadlessOptions options;
  options.script = ReadFile(VELTRO_SOURCE_DIR "/tests/program/scripts/" + script);
  options.speech_log = &speech_log;
  options.program_folder = folder;
  return options;
}

// The flight of moon_free_fall.keys was flown to its end and the program left.
inline void ExpectFlownToTheEnd(int status, const std::string& speech_log) {
  EXPECT_EQ(status, 0);
  const size_t report = speech_log.find(" " + kMoonFinalReport + "\n");
  ASSERT_NE(report, std::string::npos) << speech_log;
  EXPECT_NE(speech_log.find(" " + kClosingPrompt + "\n", report), std::string::npos);
}

}  // namespace veltro::app
