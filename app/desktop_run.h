// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>
#include <string>

#include "headless_run.h"

namespace veltro::app {

// A program on the real desktop: SDL window and keyboard, OpenAL sound, speech-dispatcher or
// espeak-ng. The logs may be null. Without a display the outcome is status 1 with a message.
RunOutcome RunDesktop(const std::string& command_line, std::ostream* speech_log,
                      std::ostream* sound_log);
// The same with the program's own files (sounds, help page) in `files_folder`.
RunOutcome RunDesktopWithFiles(const std::string& files_folder, const std::string& command_line,
                               std::ostream* speech_log, std::ostream* sound_log);

}  // namespace veltro::app
