// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// OpenAL Soft's own settings and extensions, which the browser's OpenAL lacks: desktop only.

#include <memory>
#include <string>

namespace veltro::platform::desktop {

class OpenAlContext;

// The name of the OpenAL Soft settings file among the program's own files.
inline constexpr const char* kOpenAlSettingsFile = "openal-soft.conf";

// Makes OpenAL Soft read the program's settings (short mixing periods) from `files_folder`,
// unless the user chose a settings file of their own with ALSOFT_CONF. Either file is used only
// when it is a regular file of at most kMaxTextFileBytes; one that is not is reported on stderr.
// OpenAL Soft reads its settings once, at its first call, so this must run before any. Returns the
// file in use, empty when OpenAL Soft uses only its own files.
std::string UseProgramAudioSettings(const std::string& files_folder);

// What an output device mixes and how far behind the ear it is.
struct OutputInfo {
  std::string device;
  int rate = 0;         // frames a second
  int refresh = 0;      // mixing periods a second
  double latency = -1;  // seconds from a mixed frame to the speaker; below 0 when not reported
};
OutputInfo ReadOutputInfo(OpenAlContext& context);

}  // namespace veltro::platform::desktop
