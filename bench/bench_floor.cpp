// SPDX-License-Identifier: GPL-3.0-or-later
// The sound output against its floor: how long a key's sound takes to reach alSourcePlay the
// first time and later, beside a bare OpenAL program doing the same; and whether the mixer keeps
// up with its short periods on an idle and on a loaded machine. Prints Markdown table rows.
//
//   bench_floor FOLDER                      later presses, and the mixer's lag
//   bench_floor FOLDER first game|before|floor   one first press of a fresh process, in µs
//   bench_floor FOLDER headless SCRIPT      the cost of a virtual second of a headless run
//   bench_floor FOLDER voice N|floor        memory after N quick retries with the built-in voice
//   bench_floor FOLDER idle|flight          the floor of a waiting program, until SIGTERM: the same
//                                           window and sound device waiting for an event, or a
//                                           20 ms loop retuning three playing sources
// FOLDER holds the game's sounds and openal-soft.conf (by default the build's bin/);
// bench/performance.sh runs them all and writes docs/performance.md.
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <SDL.h>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_ui.h"
#include "game/sound_table.h"
#include "headless_run.h"
#include "platform/audio_file.h"
#include "platform/desktop/alsoft_settings.h"
#include "platform/desktop/desktop_speech_backends.h"
#include "platform/desktop/openal_context.h"
#include "platform/desktop/openal_sound_system.h"
#include "platform/desktop/openal_streams.h"
#include "platform/environment.h"
#include "platform/ogg_streams.h"
#include "platform/sound_file_cache.h"
#include "sound/sound.h"

namespace {

using namespace veltro;
using Clock = std::chrono::steady_clock;

constexpr int kLaterSamples = 300;

class NoSpeech : public sound::SoundSpeech {
 public:
  void speak(const std::string&, int16_t) override {}
  void StopSpeakingAll() override {}
};

double Microseconds(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

struct Spread {
  double median, max;
};
Spread Of(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return {samples[samples.size() / 2], samples.back()};
}

void Row(const char* what, Spread game, Spread floor) {
  std::printf("| %s | %.0f µs (max %.0f) | %.0f µs (max %.0f) |\n", what, game.median, game.max,
              floor.median, floor.max);
}

// The game's engine on the output device: Space's thruster sound, as the flight starts it.
struct Engine {
  Engine(const std::string& folder, platform::SoundFileCache* files)
      : app_path(folder + "/"),
        dx(files),
        voices(dx),
        ogg(decoders, voices),
        direct_show(decoders, dx),
        sound(ui.ui(), dx, ogg, direct_show, speech, app_path) {
    sound.DSInit();
  }
  // The tones a flight starts with, before the player can press Space.
  void StartFlight() {
    for (const char* tone : {"alt.wav", "fuel.wav"}) {
      int16_t volume = -2000, pan = 0, flags = 8;
      int32_t frequency = -1, start = 0;
      sound.PlaySound(tone, volume, frequency, pan, start, flags);
    }
  }
  double Press() {
    int16_t volume = -1800, pan = 0, flags = 8;
    int32_t frequency = -1, start = 0;
    const auto begin = Clock::now();
    handle = sound.PlaySound("retrojet.wav", volume, frequency, pan, start, flags);
    const double taken = Microseconds(Clock::now() - begin);
    sound.StopPlay(handle);
    return taken;
  }
  std::string app_path;  // the engine keeps a reference to it
  bench::BenchUi ui;
  NoSpeech speech;
  platform::desktop::OpenAlSoundSystem dx;
  platform::SndfileDecoders decoders;
  platform::desktop::OpenAlStreamVoices voices;
  platform::OggStreams ogg;
  platform::desktop::OpenAlDirectShow direct_show;
  sound::Sound sound;
  int16_t handle = 0;
};

// The floor: a bare OpenAL program with the same sound in a buffer and three sources playing.
struct Floor {
  explicit Floor(const std::string& folder) {
    context = platform::desktop::OpenAlContext::OpenOutput("");
    platform::AudioData jet = platform::LoadAudioFile(folder + "/retrojet.wav");
    alGenBuffers(1, &buffer);
    alBufferData(buffer, AL_FORMAT_MONO16, jet.pcm.data(), static_cast<ALsizei>(jet.pcm.size()),
                 jet.format.SamplesPerSec);
    alGenSources(3, busy);
    for (ALuint source : busy) {
      alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
      alSourcei(source, AL_LOOPING, AL_TRUE);
      alSourcePlay(source);
    }
  }
  ~Floor() {
    context->MakeCurrent();
    alDeleteSources(3, busy);
    alDeleteBuffers(1, &buffer);
  }
  double Press() {
    context->MakeCurrent();  // the game's engine may have its own context on the same machine
    ALuint source = 0;
    alGenSources(1, &source);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
    const auto begin = Clock::now();
    alSourcePlay(source);
    const double taken = Microseconds(Clock::now() - begin);
    alDeleteSources(1, &source);
    return taken;
  }
  std::shared_ptr<platform::desktop::OpenAlContext> context;
  ALuint buffer = 0, busy[3] = {};
};

// The first press of a fresh process, when nothing is warm yet: what a player's first Space costs.
double FirstPress(const std::string& folder, const std::string& kind) {
  if (kind == "floor") return Floor(folder).Press();
  platform::SoundFileCache files;
  if (kind != "before") {
    files.Preload(folder, {std::begin(game::kSoundFiles), std::end(game::kSoundFiles)});
    files.Load(folder + "/retrojet.wav");  // the reading ends long before the flight begins
  }
  Engine engine(folder, kind == "before" ? nullptr : &files);
  engine.StartFlight();
  return engine.Press();
}

void LaterPresses(const std::string& folder) {
  platform::SoundFileCache files;
  files.Preload(folder, {std::begin(game::kSoundFiles), std::end(game::kSoundFiles)});
  Engine engine(folder, &files);
  Floor floor(folder);
  engine.Press();
  floor.Press();
  std::vector<double> later, floor_later;
  for (int i = 0; i < kLaterSamples; ++i) {
    later.push_back(engine.Press());
    floor_later.push_back(floor.Press());
  }
  Row("later presses", Of(later), Of(floor_later));
}

// How far the device's clock falls behind the wall clock over `seconds` while three sources play:
// a mixer that is late by more than its queued periods would be heard as a gap on a sound card.
struct Lag {
  double largest;
  int late;  // samples (every 2 ms) behind by more than the queued periods
};
Lag Lags(const std::string& folder, double seconds, int busy_threads) {
  Floor sounds(folder);
  ALCdevice* device = sounds.context->device();
  auto clock =
      reinterpret_cast<LPALCGETINTEGER64VSOFT>(alcGetProcAddress(device, "alcGetInteger64vSOFT"));
  std::atomic<bool> stop = false;
  std::vector<std::thread> load;
  for (int i = 0; i < busy_threads; ++i) {
    load.emplace_back([&stop] {
      volatile double x = 1;
      while (!stop) x = x * 1.0000001 + 1e-9;
    });
  }
  ALCint64SOFT start_device = 0, now_device = 0;
  clock(device, ALC_DEVICE_CLOCK_SOFT, 1, &start_device);
  const auto start_wall = Clock::now();
  platform::desktop::OutputInfo info = platform::desktop::ReadOutputInfo(*sounds.context);
  const double queued = info.latency * 1000;
  Lag lag{0, 0};
  while (Clock::now() - start_wall < std::chrono::duration<double>(seconds)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    clock(device, ALC_DEVICE_CLOCK_SOFT, 1, &now_device);
    const double wall =
        std::chrono::duration<double, std::milli>(Clock::now() - start_wall).count();
    const double behind = wall - static_cast<double>(now_device - start_device) * 1e-6;
    lag.largest = std::max(lag.largest, behind);
    lag.late += behind > queued;
  }
  stop = true;
  for (std::thread& thread : load) thread.join();
  return lag;
}

// The processor time this thread has used, in microseconds: steadier than the wall clock on a
// machine that others share.
double ThreadMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) * 1e-3;
}

// A headless run of `script`, with and without the sound log: the cost of a virtual second.
void HeadlessCost(const std::string& folder, const std::string& script_path) {
  std::ifstream file(script_path);
  const std::string script{std::istreambuf_iterator<char>(file), {}};
  constexpr int kRuns = 20;
  double seconds = 0;
  std::vector<double> plain, logged;
  for (int i = 0; i < 2 * kRuns; ++i) {
    std::ostringstream log;
    app::HeadlessOptions options;
    options.script = script;
    options.program_folder = folder;
    if (i % 2 == 1) options.sound_log = &log;
    app::HeadlessRun run(options);
    const double begin = ThreadMicroseconds();
    run.Run();
    const double taken = ThreadMicroseconds() - begin;
    seconds = run.clock().Now();
    (i % 2 == 1 ? logged : plain).push_back(taken / seconds);
  }
  std::printf(
      "| headless run of %.0f virtual seconds, per virtual second (processor time) | %.1f µs | "
      "%.1f µs |\n",
      seconds, Of(plain).median, Of(logged).median);
}

// The process's resident memory now and at its largest, in kilobytes.
struct Memory {
  long resident, largest;
};
Memory MemoryNow() {
  long pages = 0, resident = 0;
  if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return {resident * sysconf(_SC_PAGESIZE) / 1024, usage.ru_maxrss};
}

// The voice's thread goes on after the game has moved on: wait until the memory has stood still
// for two seconds (at most a minute), then take it.
Memory SettledMemory() {
  Memory last = MemoryNow();
  for (int still = 0, waited = 0; still < 20 && waited < 600; ++waited) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const Memory now = MemoryNow();
    still = now.resident == last.resident ? still + 1 : 0;
    last = now;
  }
  return last;
}

// The game with argument "3" (the built-in voice on SDL's dummy output), retrying `retries`
// flights as fast as a player can: each briefing is queued behind the last. The floor is the
// voice alone, saying the first briefing once.
void VoiceMemory(const std::string& folder, const std::string& retries) {
  namespace desktop = platform::desktop;
  desktop::DesktopSpeechBackends backends(
      {{}, {desktop::EspeakOptions::Output::kSoundDevice, "dummy", nullptr}});
  if (retries == "floor") {
    std::unique_ptr<platform::SapiVoice> voice = backends.CreateSapiVoice();
    voice->Speak(
        "Gravity 5.31 feet per second squared. Thrust 10.62 feet per second squared. Terminal "
        "velocity 200 feet per second. 42 seconds of fuel. Maximum landing speed 12 feet per "
        "second.",
        platform::SVSFlagsAsync);
    const Memory memory = SettledMemory();
    std::printf("%ld %ld\n", memory.resident, memory.largest);
    return;
  }
  std::ostringstream script;
  script << "wait-say Moon\npress Return\nwait-say Easy\npress Return\n";
  for (int i = 0, n = std::stoi(retries); i < n; ++i) {
    script << "wait-say Repeat\npress Down\nwait-say Continue\npress Return\n"
              "wait-say Press and hold spacebar to fire thrusters\nsleep 1\npress Q\n"
              "wait-say Press Escape to exit, N to select a new planet, or  any other key to try "
              "again.\n"
           << (i + 1 < n ? "press R\n" : "press Escape\n");
  }
  app::HeadlessOptions options;
  options.script = script.str();
  options.program_folder = folder;
  options.command_line = std::string(1, '3');  // the built-in voice
  options.speech_backends = &backends;
  app::HeadlessRun run(options);
  const app::RunOutcome outcome = run.Run();
  if (outcome.status != 0) std::fprintf(stderr, "%s\n", outcome.message.c_str());
  const Memory memory = SettledMemory();
  std::printf("%ld %ld\n", memory.resident, memory.largest);
}

void LagRow(const char* what, Lag lag) {
  std::printf("| %s | %.1f ms | %d |\n", what, lag.largest, lag.late);
}

// The least a program with the game's window and sound device can do while it waits: nothing
// until an event comes ("idle"), or a 20 ms loop that retunes three playing sources ("flight").
// Runs until SIGTERM (or the window is closed); bench/measure_wakes.sh watches its processor time.
int WaitingFloor(const std::string& folder, bool flying) {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_Window* window = SDL_CreateWindow("floor", 0, 0, 640, 480, SDL_WINDOW_SHOWN);
  if (window == nullptr) return 1;
  Floor sounds(folder);
  if (!flying) alSourceStopv(3, sounds.busy);
  SDL_Event event;
  timespec next{};
  clock_gettime(CLOCK_MONOTONIC, &next);
  for (float pitch = 1;;) {
    if (flying) {
      next.tv_nsec += 20'000'000;
      if (next.tv_nsec >= 1'000'000'000) next = {next.tv_sec + 1, next.tv_nsec - 1'000'000'000};
      clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
      pitch = pitch > 1.5f ? 1 : pitch + 0.01f;
      for (ALuint source : sounds.busy) alSourcef(source, AL_PITCH, pitch);
      while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) return 0;
      }
    } else if (SDL_WaitEvent(&event) && event.type == SDL_QUIT) {
      return 0;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Built, the game's files lie in bin/ beside this program's bench/.
  const std::string folder = argc > 1 ? argv[1] : platform::ExecutableFolder() + "/../bin";
  platform::desktop::UseProgramAudioSettings(folder);
  if (argc > 3 && std::string(argv[2]) == "first") {
    std::printf("%.0f\n", FirstPress(folder, argv[3]));
    return 0;
  }
  if (argc > 3 && std::string(argv[2]) == "voice") {
    VoiceMemory(folder, argv[3]);
    return 0;
  }
  if (argc > 2 && (std::string(argv[2]) == "idle" || std::string(argv[2]) == "flight")) {
    return WaitingFloor(folder, std::string(argv[2]) == "flight");
  }
  if (argc > 3 && std::string(argv[2]) == "headless") {
    HeadlessCost(folder, argv[3]);
    return 0;
  }
  LaterPresses(folder);
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::string loaded = std::to_string(cores * 2) + " more threads spinning";
  std::printf(
      "\n| 10 s, 3 sources playing | largest lag | checks (every 2 ms) later than "
      "the queued periods |\n|---|---|---|\n");
  LagRow("as the machine is", Lags(folder, 10, 0));
  LagRow(loaded.c_str(), Lags(folder, 10, static_cast<int>(cores * 2)));
  return 0;
}
