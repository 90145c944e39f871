#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio_file.h"
#include "platform/headless/simulated_streams.h"
#include "platform/ogg_library.h"
#include "platform/ogg_streams.h"
#include "platform/platform_error.h"
#include "recording_sound.h"
#include "sound/sound.h"
#include "support/audio_file_fixtures.h"
#include "support/test_ui.h"

namespace veltro::testing {

using platform::PlatformError;

// An OGG library that decodes the files it is given (path -> PCM bytes, channels, rate).
class FakeOggLibrary : public platform::OggLibrary {
 public:
  struct File {
    std::vector<uint8_t> pcm;
    int32_t channels = 2, rate = 44100;
  };
  int32_t InitOgg(int32_t, intptr_t) override { return log.Call("InitOgg"), init_result; }
  int32_t SetOggBufferSize(int32_t size) override { return buffer_size = size, 1; }
  int32_t UpdateOgg() override { return ++updates, 1; }
  int32_t ShutdownOgg() override { return log.Call("ShutdownOgg"), ++shutdowns, 1; }
  // Streams are played by the real library (see the stream tests); this one starts none.
  int32_t PlayOggFromDisc(const std::string&, int32_t) override { return 0; }
  int32_t StopOgg(int32_t) override { return 0; }
  int32_t PauseOgg(int32_t) override { return 0; }
  int32_t OggIsPlaying(int32_t) override { return 0; }
  int32_t OggSetPosition(int32_t, int32_t) override { return 0; }
  int32_t SetVolumeOfOgg(int32_t, int32_t) override { return 0; }
  int32_t SetPanOfOgg(int32_t, int32_t) override { return 0; }
  int32_t SetFrequencyOfOgg(int32_t, int32_t) override { return 0; }
  int32_t DecodeOggFileToBuffer(const std::string& path, std::vector<uint8_t>& buffer,
                                int32_t& size, int32_t& channels, int32_t& rate) override {
    auto file = files.find(path);
    if (file == files.end()) return 0;
    size = static_cast<int32_t>(file->second.pcm.size());
    channels = file->second.channels;
    rate = file->second.rate;
    if (buffer.size() >= file->second.pcm.size())
      std::copy_n(file->second.pcm.data(), size, buffer.data());
    return 1;
  }

  std::map<std::string, File> files;
  int32_t init_result = 1;
  int updates = 0, shutdowns = 0, buffer_size = 0;
  DeviceCalls log;
};

// The headless OGG library and MP3 player: real decoding, voices that keep time on `clock`.
struct SimulatedStreams {
  explicit SimulatedStreams(platform::headless::VirtualClock& clock)
      : voices(clock), direct_show(decoders, clock) {}
  platform::SndfileDecoders decoders;
  platform::headless::SimulatedStreamVoices voices;
  platform::OggStreams ogg{decoders, voices};
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

// A sound engine over the simulated device, with helpers to put sound files in place.
class SoundTest : public ::testing::Test {
 protected:
  TestUi ui;
  RecordingSoundSystem dx;
  FakeOggLibrary ogg;
  SimulatedStreams streams{dx.clock};
  RecordingSoundSpeech speech;
  std::string app_path = ui.Folder();
  std::unique_ptr<sound::Sound> sound;

  sound::Sound& Started() {
    sound = std::make_unique<sound::Sound>(ui.ui(), dx, ogg, streams.direct_show, speech, app_path);
    sound->DSInit();
    return *sound;
  }
  // A tenth of a second of sound, which plays until the test advances the device's clock.
  void AddWav(const std::string& name, int channels = 1) {
    WriteTone(app_path + name, SF_FORMAT_WAV | SF_FORMAT_PCM_16, channels, 22050, 2205);
  }
  void FinishAll() { dx.clock.Advance(1); }  // every sound that does not loop plays to its end
  int16_t Play(const std::string& name, int16_t flags = 0, int32_t start = 0) {
    int16_t volume = 0, pan = 0;
    int32_t frequency = -1;
    return sound->PlaySound(name, volume, frequency, pan, start, flags);
  }
  RecordingBuffer* BufferOf(int16_t slot) {
    return dynamic_cast<RecordingBuffer*>(sound->WavSlotAt(slot).DSBuffer.get());
  }
  platform::Sound3DBuffer& Spatial(int16_t slot) { return *sound->WavSlotAt(slot).DS3DBuffer; }
};

}  // namespace veltro::testing
