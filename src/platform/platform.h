// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/filter_graph.h"
#include "platform/ogg_library.h"
#include "platform/sound_device.h"
#include "platform/speech_backends.h"
#include "platform/user_interface.h"

namespace veltro::platform {

// One machine's implementations of the seam: the desktop's real libraries, or the headless
// ones with a virtual clock. The composition root hands the pieces to the subsystems.
struct Platform {
  UserInterface ui;
  SoundSystem& sound;
  OggLibrary& ogg;
  DirectShow& direct_show;
  SpeechBackends& speech;
};

}  // namespace veltro::platform
