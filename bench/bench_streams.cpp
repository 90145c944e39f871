// SPDX-License-Identifier: GPL-3.0-or-later
// What keeping OGG streams fed costs the user-interface thread: one UpdateOgg (the 10 ms tick)
// with 20 streams open, on OpenAL Soft's loopback device, each tick after 10 ms of mixing.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "stream_files.h"

namespace {

using namespace veltro;

constexpr int kRate = 44100;

void BM_UpdateOggTwentyStreams(benchmark::State& state) {
  const std::string path =
      (std::filesystem::temp_directory_path() / "veltro_bench_stream.ogg").string();
  bench::WriteStereoOgg(path, 30);
  bench::LoopbackStreams streams;
  platform::OggLibrary& ogg = streams.ogg;
  auto& system = streams.system;
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
