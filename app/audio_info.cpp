// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio_info.h"

#include <cstdio>
#include <string>

#include "platform/base/environment.h"
#include "platform/base/platform_error.h"
#include "platform/base/program_files.h"
#include "platform/desktop/alsoft_settings.h"
#include "platform/openal/openal_context.h"

namespace veltro::app {
namespace {

std::string Milliseconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f ms", seconds * 1000);
  return text;
}

}  // namespace

int PrintAudioInfo(std::ostream& out, std::ostream& errors) {
  namespace desktop = platform::desktop;
  const std::string settings =
      desktop::UseProgramAudioSettings(platform::FilesFolder(platform::ExecutableFolder()));
  desktop::OutputInfo info;
  try {
    info = desktop::ReadOutputInfo(*desktop::OpenAlContext::OpenOutput(""));
  } catch (const platform::PlatformError& error) {
    errors << "veltro-lander: " << error.what() << "\n";
    return 1;
  }
  out << "device: " << info.device << "\n";
  out << "rate: " << info.rate << " Hz\n";
  if (info.refresh > 0) {
    out << "period: " << Milliseconds(1.0 / info.refresh) << " (" << info.refresh
        << " mixes a second)\n";
  }
  out << "latency: " << (info.latency >= 0 ? Milliseconds(info.latency) : "not reported") << "\n";
  out << "settings: " << (settings.empty() ? "OpenAL Soft's own" : settings) << "\n";
  return 0;
}

}  // namespace veltro::app
