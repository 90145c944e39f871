// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/audio/filter_graph.h"
#include "platform/audio/ogg_library.h"
#include "platform/audio/sound_device.h"
#include "platform/events/user_interface.h"
#include "platform/speech/speech_backends.h"

namespace veltro::platform {

// One machine's implementations of the seam's rooms (README.md maps them), bundled: the desktop's
// real libraries, the browser's, or the headless ones with a virtual clock. The composition root
// builds one and hands the pieces to the subsystems.
struct Platform {
  UserInterface ui;
  SoundSystem& sound;
  OggLibrary& ogg;
  DirectShow& direct_show;
  SpeechBackends& speech;
};

}  // namespace veltro::platform
