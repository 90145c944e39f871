// SPDX-License-Identifier: GPL-3.0-or-later
// sounds.ini as the sound engine reads it at start-up, then sounds of every kind played through
// the slots its settings made.
#include <sndfile.h>

#include <cstdlib>
#include <vector>

#include "headless_engine.h"

namespace {

using veltro::fuzz::TheFolder;

// A short tone in a libsndfile format, for the plays after start-up.
void WriteTone(const std::string& name, int format) {
  SF_INFO info{0, 22050, 1, format, 0, 0};
  SNDFILE* file = sf_open((TheFolder().path() + "/" + name).c_str(), SFM_WRITE, &info);
  if (file == nullptr) abort();
  std::vector<short> samples(2205, 4000);
  sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
  sf_close(file);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  WriteTone("tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  WriteTone("tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS);
  WriteTone("tone.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TheFolder().Write("sounds.ini", data, size);
  veltro::fuzz::HeadlessEngine engine;
  veltro::sound::Sound& sound = engine.sound;
  sound.DSInit();

  // Whatever the file says, the counts stay where the engine can use them.
  const veltro::sound::EngineSettings& settings = sound.Settings();
  if (settings.SoundBuffers < 20 || settings.SoundBuffers > 100 || settings.OggBuffers > 100 ||
      settings.Mp3Buffers > 100) {
    abort();
  }
  for (int round = 0; round < 3; ++round) {
    int16_t volume = 0, pan = 0, flags = 0;
    int32_t frequency = -1, start = 0;
    sound.PlaySound("TONE.WAV", volume, frequency, pan, start, flags);
    sound.PlayOGGSound("TONE.OGG", 0, 0, 0, 0);
    sound.PlayMP3Sound("TONE.MP3", 0, 0, 0, 0);
    engine.clock.Advance(0.05);
    sound.Timer1_Timer();
  }
  sound.KillAllSounds();
  sound.ShutdownForm1();
  return 0;
}
