#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fake_sound_device.h"
#include "sound/sound.h"
#include "support/fake_ui.h"

namespace veltro::testing {

class RecordingSoundSpeech : public sound::SoundSpeech {
 public:
  void speak(const std::string& t, int16_t SystemType) override {
    said.push_back(t + "|" + std::to_string(SystemType));
  }
  void StopSpeakingAll() override { said.push_back("<stop all>"); }
  std::vector<std::string> said;
};

// A sound engine over the fake device, with helpers to put sound files in place.
class SoundTest : public ::testing::Test {
 protected:
  FakeUi ui;
  FakeSoundSystem dx;
  FakeOggLibrary ogg;
  RecordingSoundSpeech speech;
  std::string app_path = "/opt/veltro/";
  std::unique_ptr<sound::Sound> sound;

  sound::Sound& Started() {
    sound = std::make_unique<sound::Sound>(ui, dx, ogg, speech, app_path);
    sound->DSInit();
    return *sound;
  }

  // A sound file in the program's folder that the device can load.
  void AddWav(const std::string& name, int16_t channels = 1) {
    ui.files[app_path + name] = "";
    platform::WaveFormat format;
    format.Channels = channels;
    format.SamplesPerSec = 22050;
    dx.readable[app_path + name] = format;
  }

  int16_t Play(const std::string& name, int16_t flags = 0) {
    int16_t volume = 0, pan = 0;
    int32_t frequency = -1, start = 0;
    return sound->PlaySound(name, volume, frequency, pan, start, flags);
  }

  FakeSoundBuffer* BufferOf(int16_t slot) {
    return dynamic_cast<FakeSoundBuffer*>(sound->WavSlotAt(slot).DSBuffer.get());
  }
};

}  // namespace veltro::testing
