// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sndfile.h>
#include <stdlib.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "platform/audio/ogg_streams.h"
#include "platform/decoders/audio_file.h"
#include "platform/openal/openal_sound_system.h"
#include "platform/openal/openal_streams.h"

namespace veltro::bench {

// A stereo 44.1 kHz OGG Vorbis file, `seconds` long, of a soft two-note chord whose lower note
// steps every second (so that the encoder cannot squeeze it to nothing).
inline void WriteStereoOgg(const std::string& path, int seconds) {
  constexpr int kRate = 44100;
  SF_INFO info{0, kRate, 2, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0, 0};
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) return;
  std::vector<float> block(2 * kRate);
  for (int second = 0; second < seconds; ++second) {
    for (int i = 0; i < kRate; ++i) {
      const double t = second + static_cast<double>(i) / kRate;
      const double low = 220 + second % 7 * 20;
      block[2 * i] = static_cast<float>(0.2 * std::sin(2 * std::numbers::pi * low * t));
      block[2 * i + 1] = static_cast<float>(0.2 * std::sin(2 * std::numbers::pi * 330 * t));
    }
    sf_writef_float(file, block.data(), kRate);
  }
  sf_close(file);
}

// The OGG library, started, on OpenAL Soft's loopback device (null back-end: no sound card).
struct LoopbackStreams {
  static constexpr int kRate = 44100;
  bool null_driver = setenv("ALSOFT_DRIVERS", "null", 0) == 0;
  std::unique_ptr<platform::desktop::OpenAlSoundSystem> system =
      platform::desktop::OpenAlSoundSystem::Loopback(kRate);
  std::shared_ptr<platform::SoundDevice> device = system->DirectSoundCreate("");
  platform::SndfileDecoders decoders;
  platform::desktop::OpenAlStreamVoices voices{*system};
  platform::OggStreams ogg{decoders, voices};
  LoopbackStreams() {
    ogg.InitOgg(0, 0);
    ogg.SetOggBufferSize(5);
  }
};

}  // namespace veltro::bench
