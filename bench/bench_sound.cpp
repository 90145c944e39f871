// SPDX-License-Identifier: GPL-3.0-or-later
// What the sound engine costs where the player feels it: starting a cached sound, loading a new
// one, and the cue updates of one flight tick, on OpenAL Soft's loopback device (no sound card).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench_ui.h"
#include "platform/audio/ogg_streams.h"
#include "platform/base/platform_error.h"
#include "platform/base/text_lines.h"
#include "platform/decoders/audio_file.h"
#include "platform/events/user_interface.h"
#include "platform/openal/openal_sound_system.h"
#include "platform/openal/openal_streams.h"
#include "sound/sound.h"

namespace {

using namespace veltro;

class NoSpeech : public sound::SoundSpeech {
 public:
  void speak(const std::string&, int16_t) override {}
  void StopSpeakingAll() override {}
};

// A mono 16-bit tone of `frames` samples at 22050 Hz.
void WriteWav(const std::string& path, int frames) {
  std::ofstream out(path, std::ios::binary);
  auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  uint32_t data_bytes = static_cast<uint32_t>(frames) * 2;
  out.write("RIFF", 4);
  u32(36 + data_bytes);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(1);
  u32(22050);
  u32(44100);
  u16(2);
  u16(16);
  out.write("data", 4);
  u32(data_bytes);
  for (int i = 0; i < frames; ++i) u16(static_cast<uint16_t>((i % 50) * 400));
}

// One engine on the loopback device, with a folder of sound files.
struct Engine {
  Engine() {
    folder = (std::filesystem::temp_directory_path() / "veltro_bench_sound").string() + "/";
    std::filesystem::create_directories(folder);
    WriteWav(folder + "tone.wav", 22050);
    for (int i = 0; i < kNewFiles; ++i) WriteWav(folder + "new" + std::to_string(i) + ".wav", 2205);
    sound = std::make_unique<sound::Sound>(ui.ui(), *dx, ogg, direct_show, speech, folder);
    sound->DSInit();
  }
  ~Engine() {
    sound.reset();
    std::filesystem::remove_all(folder);
  }
  int16_t Play(const std::string& name, int16_t flags) {
    int16_t volume = 0, pan = 0;
    int32_t frequency = -1, start = 0;
    return sound->PlaySound(name, volume, frequency, pan, start, flags);
  }

  static constexpr int kNewFiles = 64;
  std::string folder;
  bench::BenchUi ui;
  NoSpeech speech;
  std::unique_ptr<platform::desktop::OpenAlSoundSystem> dx =
      platform::desktop::OpenAlSoundSystem::Loopback();
  platform::SndfileDecoders decoders;
  platform::desktop::OpenAlStreamVoices voices{*dx};
  platform::OggStreams ogg{decoders, voices};
  platform::desktop::OpenAlDirectShow direct_show{decoders, *dx};
  std::unique_ptr<sound::Sound> sound;
};

void BM_PlaySoundCached(benchmark::State& state) {
  Engine engine;
  if (engine.Play("tone.wav", 32) == 0) state.SkipWithError("tone.wav did not play");
  for (auto _ : state) benchmark::DoNotOptimize(engine.Play("tone.wav", 32));
}
BENCHMARK(BM_PlaySoundCached);

void BM_PlaySoundNewFile(benchmark::State& state) {
  Engine engine;
  int next = 0;
  // Prepared (bit 4), never started: every slot stays evictable, and with more files than
  // slots each name has been evicted again before it comes round.
  for (auto _ : state) {
    std::string name = "new" + std::to_string(next++ % Engine::kNewFiles) + ".wav";
    benchmark::DoNotOptimize(engine.Play(name, 4));
  }
}
BENCHMARK(BM_PlaySoundNewFile);

void BM_SetFrequency(benchmark::State& state) {
  Engine engine;
  int16_t handle = engine.Play("tone.wav", 8);
  int32_t frequency = 22050;
  for (auto _ : state) {
    frequency = frequency == 22050 ? 23000 : 22050;
    engine.sound->SetFrequency(handle, frequency);
  }
}
BENCHMARK(BM_SetFrequency);

// The cue updates of one flight tick: altitude and fuel tones retuned, one pan, one volume.
void BM_TickCueUpdates(benchmark::State& state) {
  Engine engine;
  int16_t altitude = engine.Play("tone.wav", 8);
  int16_t fuel = engine.Play("tone.wav", 8);
  int32_t pitch = 0;
  for (auto _ : state) {
    pitch = (pitch + 37) % 20000;
    int32_t altitude_hz = 2000 + pitch, fuel_hz = 4000 + pitch / 2;
    engine.sound->SetFrequency(altitude, altitude_hz);
    engine.sound->SetFrequency(fuel, fuel_hz);
    engine.sound->SetPan(altitude, static_cast<int16_t>(pitch / 4 - 2500));
    engine.sound->SetVolume(fuel, static_cast<int16_t>(-(pitch % 3000)));
  }
}
BENCHMARK(BM_TickCueUpdates);

}  // namespace

BENCHMARK_MAIN();
