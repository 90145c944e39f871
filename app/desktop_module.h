// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>
#include <string>

#include "headless_run.h"

namespace veltro::app {

// What the desktop part of the program offers the rest: everything that needs the desktop's
// libraries (SDL, OpenAL Soft, espeak-ng, speech-dispatcher). It is built as a module of its own
// and loaded only for a desktop run, so that --help and headless runs start without them.
struct DesktopModule {
  RunOutcome (*run)(const std::string& command_line, std::ostream* speech_log,
                    std::ostream* sound_log);
  int (*audio_info)(std::ostream& out, std::ostream& errors);
};

// The name the module's one exported function is found by.
inline constexpr const char* kDesktopModuleEntry = "veltro_desktop_module";
using DesktopModuleEntry = const DesktopModule* (*)();

}  // namespace veltro::app
