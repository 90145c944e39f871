// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop module's one exported symbol; everything else in it stays private to it.
#include "desktop_module.h"

#include "audio_info.h"
#include "desktop_run.h"

extern "C" __attribute__((visibility("default"))) const veltro::app::DesktopModule*
veltro_desktop_module() {
  static constexpr veltro::app::DesktopModule kModule{veltro::app::RunDesktop,
                                                      veltro::app::PrintAudioInfo};
  return &kModule;
}
