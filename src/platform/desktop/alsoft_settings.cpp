// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/alsoft_settings.h"

#include <AL/alc.h>
#include <AL/alext.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "platform/base/text_lines.h"
#include "platform/openal/openal_context.h"

namespace veltro::platform::desktop {
namespace {

// OpenAL Soft reads its settings file whole, and waits for ever on one that is a pipe: only a
// regular file of a text file's size is handed to it. One that is there and not such a file is
// reported.
bool UsableSettingsFile(const std::string& path) {
  std::error_code error;
  const bool regular = std::filesystem::is_regular_file(path, error);
  const std::uintmax_t size = regular ? std::filesystem::file_size(path, error) : 0;
  if (regular && !error && size <= kMaxTextFileBytes) return true;
  if (std::filesystem::exists(path, error)) {
    std::cerr << "veltro-lander: the audio settings file \"" << path
              << "\" is not a regular file of at most " << kMaxTextFileBytes / (1024 * 1024)
              << " MB; it is not used\n";
  }
  return false;
}

}  // namespace

std::string UseProgramAudioSettings(const std::string& files_folder) {
  if (const char* chosen = std::getenv("ALSOFT_CONF"); chosen != nullptr) {
    // An empty one asks for OpenAL Soft's own settings alone.
    if (*chosen == '\0' || UsableSettingsFile(chosen)) return chosen;
    unsetenv("ALSOFT_CONF");
  }
  const std::string path = files_folder + "/" + kOpenAlSettingsFile;
  if (!UsableSettingsFile(path)) return "";
  setenv("ALSOFT_CONF", path.c_str(), 1);
  return path;
}

OutputInfo ReadOutputInfo(OpenAlContext& context) {
  ALCdevice* device = context.device();
  OutputInfo info;
  const ALCenum name = alcIsExtensionPresent(device, "ALC_ENUMERATE_ALL_EXT") == ALC_TRUE
                           ? ALC_ALL_DEVICES_SPECIFIER
                           : ALC_DEVICE_SPECIFIER;
  if (const ALCchar* text = alcGetString(device, name); text != nullptr) info.device = text;
  alcGetIntegerv(device, ALC_FREQUENCY, 1, &info.rate);
  alcGetIntegerv(device, ALC_REFRESH, 1, &info.refresh);
  // The device's own account of its delay: the periods queued ahead of the speaker.
  if (alcIsExtensionPresent(device, "ALC_SOFT_device_clock") == ALC_TRUE) {
    auto get =
        reinterpret_cast<LPALCGETINTEGER64VSOFT>(alcGetProcAddress(device, "alcGetInteger64vSOFT"));
    ALCint64SOFT nanoseconds = -1;
    if (get != nullptr) get(device, ALC_DEVICE_LATENCY_SOFT, 1, &nanoseconds);
    if (nanoseconds >= 0) info.latency = static_cast<double>(nanoseconds) * 1e-9;
  }
  alcGetError(device);
  return info;
}

}  // namespace veltro::platform::desktop
