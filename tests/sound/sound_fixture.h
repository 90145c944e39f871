// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/audio/ogg_streams.h"
#include "platform/base/platform_error.h"
#include "platform/decoders/audio_file.h"
#include "platform/headless/simulated_streams.h"
#include "recording_sound.h"
#include "sound/sound.h"
#include "support/audio_file_fixtures.h"
#include "support/test_ui.h"

namespace veltro::testing {

using platform::PlatformError;

// The headless OGG library, counting what the engine's start-up and shutdown ask of it. Switches
// make it refuse to start, throw from InitOgg, StopOgg or ShutdownOgg, or claim a decoded rate.
struct CountingOgg : platform::OggStreams {
  using OggStreams::OggStreams;
  int32_t InitOgg(int32_t reserved, intptr_t window) override {
    if (init_throws) throw PlatformError("InitOgg refused");
    return refuses ? 0 : OggStreams::InitOgg(reserved, window);
  }
  int32_t SetOggBufferSize(int32_t size) override {
    return buffer_size = size, OggStreams::SetOggBufferSize(size);
  }
  int32_t UpdateOgg() override { return ++updates, OggStreams::UpdateOgg(); }
  int32_t StopOgg(int32_t handle) override {
    if (stop_throws) throw PlatformError("StopOgg refused");
    return OggStreams::StopOgg(handle);
  }
  int32_t ShutdownOgg() override {
    if (++shutdowns, shutdown_throws) throw PlatformError("ShutdownOgg refused");
    return OggStreams::ShutdownOgg();
  }
  int32_t DecodeOggFileToBuffer(const std::string& path, std::vector<uint8_t>& buffer,
                                int32_t& size, int32_t& channels, int32_t& rate) override {
    const int32_t decoded = OggStreams::DecodeOggFileToBuffer(path, buffer, size, channels, rate);
    rate = claimed_rate != 0 ? claimed_rate : rate;
    return decoded;
  }
  bool refuses = false, init_throws = false, stop_throws = false, shutdown_throws = false;
  int32_t claimed_rate = 0;
  int updates = 0, shutdowns = 0, buffer_size = 0;
};

// The headless OGG library and MP3 player: real decoding, voices that keep time on `clock`.
struct SimulatedStreams {
  explicit SimulatedStreams(platform::headless::VirtualClock& clock)
      : voices(clock), direct_show(decoders, clock) {}
  platform::SndfileDecoders decoders;
  platform::headless::SimulatedStreamVoices voices;
  CountingOgg ogg{decoders, voices};
  platform::headless::SimulatedDirectShow direct_show;
};

class RecordingSoundSpeech : public sound::SoundSpeech {
 public:
  void speak(const std::string& t, int16_t type) override {
    said.push_back(t + "|" + std::to_string(type));
  }
  void StopSpeakingAll() override { said.push_back("<stop all>"); }
  std::vector<std::string> said;
};

// A sound engine over the simulated device and streams, all on the interface's virtual clock,
// with helpers to put sound files in place.
class SoundTest : public ::testing::Test {
 protected:
  TestUi ui;
  RecordingSoundSystem dx{ui.clock};
  SimulatedStreams streams{ui.clock};
  CountingOgg& ogg = streams.ogg;
  RecordingSoundSpeech speech;
  std::string app_path = ui.Folder();
  std::unique_ptr<sound::Sound> sound;

  // A fresh engine, started; the streams of the last one end.
  sound::Sound& Started() {
    if (sound) ogg.ShutdownOgg();
    sound = std::make_unique<sound::Sound>(ui.ui(), dx, ogg, streams.direct_show, speech, app_path);
    sound->DSInit();
    return *sound;
  }
  // A tenth of a second of sound, which plays until the test advances the device's clock.
  void AddWav(const std::string& name, int channels = 1) {
    WriteTone(app_path + name, SF_FORMAT_WAV | SF_FORMAT_PCM_16, channels, 22050, 2205);
  }
  void FinishAll() { ui.clock.Advance(1); }  // every sound that does not loop plays to its end
  int16_t Play(const std::string& name, int16_t flags = 0, int32_t start = 0, int16_t volume = 0,
               int32_t frequency = -1, int16_t pan = 0) {
    return sound->PlaySound(name, volume, frequency, pan, start, flags);
  }
  RecordingBuffer* BufferOf(int16_t slot) {
    return dynamic_cast<RecordingBuffer*>(sound->WavSlotAt(slot).DSBuffer.get());
  }
  platform::Sound3DBuffer& Spatial(int16_t slot) { return *sound->WavSlotAt(slot).DS3DBuffer; }
};

}  // namespace veltro::testing
