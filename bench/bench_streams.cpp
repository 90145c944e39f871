// What keeping OGG streams fed costs the user-interface thread: one UpdateOgg (the 10 ms tick)
// with 20 streams open, on OpenAL Soft's loopback device, each tick after 10 ms of mixing.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/audio_file.h"
#include "platform/desktop/openal_sound_system.h"
#include "platform/desktop/openal_streams.h"
#include "platform/ogg_streams.h"

namespace {

using namespace veltro;

constexpr int kRate = 44100;

// A stereo OGG Vorbis file of a soft chord, `seconds` long.
void WriteOgg(const std::string& path, int seconds) {
  SF_INFO info{0, kRate, 2, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0, 0};
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  std::vector<float> block(2 * kRate);
  for (int second = 0; second < seconds; ++second) {
    for (int i = 0; i < kRate; ++i) {
      const double t = second + static_cast<double>(i) / kRate;
      block[2 * i] = static_cast<float>(0.2 * std::sin(2 * M_PI * 220 * t));
      block[2 * i + 1] = static_cast<float>(0.2 * std::sin(2 * M_PI * 330 * t));
    }
    sf_writef_float(file, block.data(), kRate);
  }
  sf_close(file);
}

void BM_UpdateOggTwentyStreams(benchmark::State& state) {
  setenv("ALSOFT_DRIVERS", "null", 0);
  const std::string path =
      (std::filesystem::temp_directory_path() / "veltro_bench_stream.ogg").string();
  WriteOgg(path, 30);
  auto system = platform::desktop::OpenAlSoundSystem::Loopback(kRate);
  auto device = system->DirectSoundCreate("");
  platform::SndfileDecoders decoders;
  platform::desktop::OpenAlStreamVoices voices(*system);
  platform::OggStreams ogg(decoders, voices);
  ogg.InitOgg(0, 0);
  ogg.SetOggBufferSize(5);
  for (int i = 0; i < 20; ++i) {
    if (ogg.PlayOggFromDisc(path, 1) == 0) state.SkipWithError("the stream did not start");
  }
  for (int tick = 0; tick < 100; ++tick) ogg.UpdateOgg();  // the queues fill up
  for (auto _ : state) {
    state.PauseTiming();
    system->Render(kRate / 100);
    state.ResumeTiming();
    benchmark::DoNotOptimize(ogg.UpdateOgg());
  }
  ogg.ShutdownOgg();
  std::filesystem::remove(path);
}
BENCHMARK(BM_UpdateOggTwentyStreams)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
