// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "headless_run.h"
#include "support/audio_file_fixtures.h"

namespace veltro::app {

inline const std::string kClosingPrompt =
    "Press Escape to exit, N to select a new planet, or  any other key to try again.";
inline const std::string kMoonFinalReport = "Final Fuel 224, Final Velocity 100.\\r\\n";
inline const std::string kBoxKeys = "Press Enter or Escape to close this message.";

inline constexpr auto& ReadFile = testing::ReadBytes;

// How often `part` occurs in `text`.
inline int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = 0; (at = text.find(part, at)) != std::string::npos; ++at) ++count;
  return count;
}

// What a run of the built veltro-lander binary left behind.
struct ProgramRun {
  int status;
  std::string errors, sound_log, speech_log;  // errors: its stderr

  // The time of the first line saying exactly `text`; -1 if none.
  double TimeOf(const std::string& text) const {
    size_t at = speech_log.find(" " + text + "\n");
    if (at == std::string::npos) return -1.0;
    return std::stod(speech_log.substr(speech_log.rfind('\n', at) + 1));
  }
  // Whether the texts are said in this order (other lines may lie between them).
  bool SaysInOrder(const std::vector<std::string>& texts) const {
    size_t at = 0;
    for (const std::string& text : texts) {
      if ((at = speech_log.find(" " + text + "\n", at)) == std::string::npos) return false;
    }
    return true;
  }
};

// Runs the built program; `before` comes first on the shell's command line (an `env ...` for the
// program, or a `cd ... &&`).
inline ProgramRun RunProgram(const std::string& arguments, const std::string& before = "") {
  auto folder =
      std::filesystem::temp_directory_path() / ("veltro_test_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::string command = before + " '" VELTRO_BIN_DIR "/veltro-lander' --speech-log '" +
                        (folder / "speech.log").string() + "' --sound-log '" +
                        (folder / "sound.log").string() + "' " + arguments + " 2> '" +
                        (folder / "stderr.txt").string() + "'";
  int raw = std::system(command.c_str());
  ProgramRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(folder / "stderr.txt"),
                 ReadFile(folder / "sound.log"), ReadFile(folder / "speech.log")};
  std::filesystem::remove_all(folder);
  return run;
}

// Plays one of the scripts in tests/program/scripts headless.
inline ProgramRun RunScript(const std::string& script, const std::string& extra_arguments = "",
                            const std::string& before = "") {
  return RunProgram("--headless --keys '" VELTRO_SOURCE_DIR "/tests/program/scripts/" + script +
                        "' " + extra_arguments,
                    before);
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
