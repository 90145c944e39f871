// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "fuzz_folder.h"
#include "platform/audio/ogg_streams.h"
#include "platform/base/environment.h"
#include "platform/decoders/audio_file.h"
#include "platform/headless/headless_dialogs.h"
#include "platform/headless/headless_event_loop.h"
#include "platform/headless/simulated_sound.h"
#include "platform/headless/simulated_streams.h"
#include "platform/headless/virtual_clock.h"
#include "sound/sound.h"

// The sound engine of a headless run, for the fuzz targets that feed it files: the simulated
// device, decoding real files from TheFolder().
namespace veltro::fuzz {

class SilentSpeech : public sound::SoundSpeech {
 public:
  void speak(const std::string&, int16_t) override {}
  void StopSpeakingAll() override {}
};

// The engine as a headless run builds it, over TheFolder(); DSInit is left to the target.
struct HeadlessEngine {
  const std::string app_path = TheFolder().path() + "/";  // the engine keeps a reference
  platform::headless::VirtualClock clock;
  platform::Environment environment{TheFolder().path(), ""};
  platform::headless::HeadlessEventLoop events{clock};
  platform::headless::HeadlessDialogs dialogs;
  platform::headless::SimulatedSoundSystem dx{clock};
  platform::SndfileDecoders decoders;
  platform::headless::SimulatedStreamVoices voices{clock};
  platform::OggStreams ogg{decoders, voices};
  platform::headless::SimulatedDirectShow direct_show{decoders, clock};
  SilentSpeech speech;
  sound::Sound sound{{events, dialogs, environment}, dx, ogg, direct_show, speech, app_path};
};

}  // namespace veltro::fuzz
