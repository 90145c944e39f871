// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of the game's own work per flight tick and per fuel search, without any real output:
// the speech and sound ports do nothing and the clock moves by one tick per call.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench_ui.h"
#include "game/fuel_search.h"
#include "game/main_flow.h"
#include "game/worlds.h"
#include "platform/base/platform_error.h"

namespace {

namespace bench = veltro::bench;
namespace game = veltro::game;

class NullSpeech : public game::GameSpeech {
 public:
  void Say(const std::string& text) override { benchmark::DoNotOptimize(text.data()); }
  void StopSpeech() override {}
  void TTSSetup(int16_t) override {}
};

class NullSound : public game::GameSound {
 public:
  void DSInit() override {}
  int16_t PlaySound(const std::string&, int16_t&, int32_t&, int16_t&, int32_t&, int16_t&) override {
    return 1;
  }
  bool IsPlaying(int16_t) override { return false; }
  void StopPlay(int16_t) override {}
  void SetVolume(int16_t, int16_t) override {}
  void SetPan(int16_t, int16_t) override {}
  void SetFrequency(int16_t, int32_t& Frequency) override { benchmark::DoNotOptimize(Frequency); }
};

// One tick of a flight in progress on a fixed world, with every cue and announcement active.
void BM_FlightTick(benchmark::State& state) {
  bench::BenchUi ui;
  NullSpeech speech;
  NullSound sound;
  std::string app_path = "/bench/";
  game::FRMMain window(ui.ui(), speech, sound, app_path);
  game::FlightState& f = window.flight();
  game::SelectWorld(static_cast<int16_t>(state.range(0)), f, [] { return 0.5; });
  f.TimeStep = game::kTimeStep;
  f.InitialFuel = 100000;
  float minimum_fuel = 0;
  game::TestVelocity(f, minimum_fuel);
  f.InitialFuel = f.Fuel = minimum_fuel * 2;
  f.AltitudeSpoken = f.VelocitySpoken = f.FuelSpoken = true;
  const float start = f.InitialAltitude * 0.6f;
  f.Altitude = start;
  for (auto _ : state) {
    if (f.Altitude < f.InitialAltitude * 0.05f) {  // keep the craft in the air
      f.Altitude = start;
      f.Velocity = 0;
    }
    ui.clock.Advance(0.02);  // one tick later
    window.Timer1_Timer();
  }
}
BENCHMARK(BM_FlightTick)->DenseRange(0, 3)->ArgName("world");

// The minimum-fuel search of one fixed world.
void BM_TestVelocity(benchmark::State& state) {
  game::FlightState f;
  game::SelectWorld(static_cast<int16_t>(state.range(0)), f, [] { return 0.5; });
  f.TimeStep = game::kTimeStep;
  float minimum_fuel = 0;
  for (auto _ : state) {
    f.InitialFuel = 100000;
    game::TestVelocity(f, minimum_fuel);
    benchmark::DoNotOptimize(minimum_fuel);
  }
}
BENCHMARK(BM_TestVelocity)->DenseRange(0, 3)->ArgName("world")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
