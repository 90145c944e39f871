// SPDX-License-Identifier: GPL-3.0-or-later
// The sound output against its floor: how long a key's sound takes to reach alSourcePlay the
// first time and later, beside a bare OpenAL program doing the same; and whether the mixer keeps
// up with its short periods on an idle and on a loaded machine. Prints Markdown table rows.
//
//   bench_floor FOLDER                      later presses, and the mixer's lag
//   bench_floor FOLDER first game|before|floor   one first press of a fresh process, in µs
//   bench_floor FOLDER sound game|floor [N] key → first sound leaving the mixer, N presses (µs)
//   bench_floor FOLDER headless SCRIPT      the cost of a virtual second of a headless run
//   bench_floor FOLDER voice N|floor        memory after N quick retries with the built-in voice
//   bench_floor FOLDER idle|flight          the floor of a waiting program, until SIGTERM: the same
//                                           window, sound device and resting voice device waiting
//                                           for an event, or also keeping a free fall's sounds
//   bench_floor FOLDER awake                as idle, with the sound device kept mixing silence
// FOLDER holds the game's sounds and openal-soft.conf (by default the build's bin/);
// bench/performance.sh runs them all and writes docs/performance.md.
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <SDL.h>
#include <SDL_ttf.h>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_ui.h"
#include "game/sound_table.h"
#include "headless_run.h"
#include "platform/audio/ogg_streams.h"
#include "platform/audio/sound_file_cache.h"
#include "platform/base/environment.h"
#include "platform/decoders/audio_file.h"
#include "platform/desktop/alsoft_settings.h"
#include "platform/desktop/desktop_speech_backends.h"
#include "platform/desktop/window_text.h"
#include "platform/openal/openal_context.h"
#include "platform/openal/openal_sound_system.h"
#include "platform/openal/openal_streams.h"
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
// On the output device, or on a loopback device mixing at `loopback_rate`.
struct Engine {
  Engine(const std::string& folder, platform::SoundFileCache* files, int loopback_rate = 0)
      : app_path(folder + "/"),
        dx(loopback_rate > 0 ? platform::desktop::OpenAlSoundSystem::Loopback(loopback_rate)
                             : std::make_unique<platform::desktop::OpenAlSoundSystem>()),
        voices(*dx),
        ogg(decoders, voices),
        direct_show(decoders, *dx),
        sound(ui.ui(), *dx, ogg, direct_show, speech, app_path) {
    dx->SetSoundFileCache(files);
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
  std::unique_ptr<platform::desktop::OpenAlSoundSystem> dx;
  platform::SndfileDecoders decoders;
  platform::desktop::OpenAlStreamVoices voices;
  platform::OggStreams ogg;
  platform::desktop::OpenAlDirectShow direct_show;
  sound::Sound sound;
  int16_t handle = 0;
};

// The floor: a bare OpenAL program with the same sound in a buffer and three sources playing.
struct Floor {
  explicit Floor(const std::string& folder, int loopback_rate = 0) {
    context = loopback_rate > 0 ? platform::desktop::OpenAlContext::OpenLoopback(loopback_rate)
                                : platform::desktop::OpenAlContext::OpenOutput("");
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

// The mixing settings of the folder's openal-soft.conf ("frequency", "period_size").
int ConfValue(const std::string& folder, const std::string& key, int otherwise) {
  std::ifstream conf(folder + "/" + platform::desktop::kOpenAlSettingsFile);
  for (std::string line; std::getline(conf, line);) {
    std::istringstream words(line);
    std::string name, equals;
    int value = 0;
    if (words >> name >> equals >> value && name == key && equals == "=") return value;
  }
  return otherwise;
}

// Plays the sound card for a loopback device: takes one period of mixed sound every period, in
// real time, and notes when the first block with sound in it left the mixer after Arm().
class PacedMixer {
 public:
  PacedMixer(std::function<std::vector<float>(int)> render, int rate, int period)
      : render_(std::move(render)), period_(period) {
    const auto step = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(period) / rate));
    thread_ = std::thread([this, step] {
      for (auto next = Clock::now(); !stop_;) {
        next += step;
        std::this_thread::sleep_until(next);
        const std::vector<float> block = render_(period_);
        const bool heard =
            std::any_of(block.begin(), block.end(), [](float s) { return std::abs(s) > 1e-4f; });
        std::lock_guard lock(mutex_);
        silent_blocks_ = heard ? 0 : silent_blocks_ + 1;
        if (armed_ && heard) {
          armed_ = false;
          heard_at_ = Clock::now();
          heard_.notify_all();
        }
      }
    });
  }
  ~PacedMixer() {
    stop_ = true;
    thread_.join();
  }
  // Waits until the mixer has put out silence for a few periods, then listens for sound.
  void Arm() {
    std::unique_lock lock(mutex_);
    heard_.wait_for(lock, std::chrono::seconds(1), [this] { return silent_blocks_ >= 4; });
    armed_ = true;
  }
  // When the sound was first heard, or nothing after a second.
  std::optional<Clock::time_point> Heard() {
    std::unique_lock lock(mutex_);
    if (!heard_.wait_for(lock, std::chrono::seconds(1), [this] { return !armed_; })) {
      armed_ = false;
      return std::nullopt;
    }
    return heard_at_;
  }

 private:
  std::function<std::vector<float>(int)> render_;
  int period_;
  std::mutex mutex_;
  std::condition_variable heard_;
  bool armed_ = false;
  int silent_blocks_ = 0;
  Clock::time_point heard_at_{};
  std::atomic<bool> stop_ = false;
  std::thread thread_;
};

// Key → first sound at the mixer's output: the thruster started by the game's engine, or by a
// bare OpenAL program on a source made ahead, each on a loopback device mixed in real time in the
// periods of the game's settings. Presses come at random moments of the period. Prints the
// median and the largest, in µs.
void KeyToSound(const std::string& folder, const std::string& kind, int presses) {
  const int rate = ConfValue(folder, "frequency", 48000);
  const int period = ConfValue(folder, "period_size", 256);
  platform::SoundFileCache files;
  files.Preload(folder, {std::begin(game::kSoundFiles), std::end(game::kSoundFiles)});
  std::unique_ptr<Engine> engine;
  std::unique_ptr<Floor> floor;
  std::function<std::vector<float>(int)> render;
  if (kind == "game") {
    engine = std::make_unique<Engine>(folder, &files, rate);
    render = [&engine](int frames) { return engine->dx->Render(frames); };
  } else {
    floor = std::make_unique<Floor>(folder, rate);
    alSourceStopv(3, floor->busy);
    render = [&floor](int frames) { return floor->context->Render(frames); };
  }
  ALuint source = 0;
  if (floor) {
    alGenSources(1, &source);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(floor->buffer));
    // At the game's volume for the thruster, -18 dB: the same samples count as sound.
    alSourcef(source, AL_GAIN, std::pow(10.0f, -1800 / 2000.0f));
  }
  PacedMixer mixer(render, rate, period);
  std::vector<double> taken;
  std::srand(7);
  for (int i = 0; i < presses; ++i) {
    mixer.Arm();
    std::this_thread::sleep_for(std::chrono::microseconds(std::rand() % 10000));
    const Clock::time_point key = Clock::now();
    if (engine) {
      int16_t volume = -1800, pan = 0, flags = 8;
      int32_t frequency = -1, start = 0;
      engine->handle =
          engine->sound.PlaySound("retrojet.wav", volume, frequency, pan, start, flags);
    } else {
      alSourcePlay(source);
    }
    if (std::optional<Clock::time_point> heard = mixer.Heard()) {
      taken.push_back(Microseconds(*heard - key));
    }
    if (engine) {
      engine->sound.StopPlay(engine->handle);
    } else {
      alSourcePause(source);  // as the engine stops a sound: it keeps its place
    }
  }
  if (taken.empty()) {
    std::printf("- -\n");
    return;
  }
  const Spread spread = Of(taken);
  std::printf("%.0f %.0f\n", spread.median, spread.max);
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

// A window with a line of text, drawn again only when it changes.
struct FloorWindow {
  FloorWindow() {
    window = SDL_CreateWindow("floor", 0, 0, 640, 480, SDL_WINDOW_SHOWN);
    if (TTF_Init() == 0) font = TTF_OpenFont(platform::desktop::WindowTextPainter::kFont, 40);
  }
  ~FloorWindow() {
    if (font != nullptr) TTF_CloseFont(font);
    TTF_Quit();
    if (window != nullptr) SDL_DestroyWindow(window);
  }
  void Show(const std::string& text) {
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr) return;
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 8, 12, 32));
    if (SDL_Surface* line = font != nullptr
                                ? TTF_RenderUTF8_Blended(font, text.c_str(), {255, 255, 255, 255})
                                : nullptr) {
      SDL_BlitSurface(line, nullptr, surface, nullptr);
      SDL_FreeSurface(line);
    }
    SDL_UpdateWindowSurface(window);
  }
  SDL_Window* window = nullptr;
  TTF_Font* font = nullptr;
};

// A voice's sound device that is open only while it speaks: a word is a short tone, and the
// device closes a second after it has played, as the game's voice does.
struct FloorVoice {
  ~FloorVoice() {
    if (device != 0) SDL_CloseAudioDevice(device);
  }
  void Say(Clock::time_point now) {
    SDL_AudioSpec wanted{};
    wanted.freq = 22050, wanted.format = AUDIO_S16SYS, wanted.channels = 1, wanted.samples = 512;
    if (device == 0) device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (device == 0) return;
    std::vector<int16_t> word(22050 * 4 / 10);
    for (size_t i = 0; i < word.size(); ++i) word[i] = static_cast<int16_t>((i / 25 % 2) * 4000);
    SDL_QueueAudio(device, word.data(), static_cast<Uint32>(word.size() * sizeof(int16_t)));
    SDL_PauseAudioDevice(device, 0);
    close_at = now + std::chrono::milliseconds(1400);
  }
  // Closes the device once its rest has come.
  void Rest(Clock::time_point now) {
    if (device != 0 && now >= close_at) {
      SDL_CloseAudioDevice(device);
      device = 0;
    }
  }
  SDL_AudioDeviceID device = 0;
  Clock::time_point close_at{};
};

// The least a program doing the game's work can do while it waits, until SIGTERM (or the window
// is closed): the same sound device and a voice device that rests, a window with text, and keys.
// "idle" says a word, shows it, lets its sound device rest and waits for an event; "flight" also
// keeps a free fall's sounds going as efficiently as it can: every 20 ms it retunes three looping
// sources, it clicks a few times a second, draws its readouts twice a second and says a word every
// few seconds.
int WaitingFloor(const std::string& folder, bool flying, bool rests = true) {
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO) != 0) return 1;
  FloorWindow window;
  if (window.window == nullptr) return 1;
  Floor sounds(folder);
  if (!flying) alSourceStopv(3, sounds.busy);
  if (!flying && rests) {  // nothing plays: the device rests
    ALCdevice* device = sounds.context->device();
    reinterpret_cast<LPALCDEVICEPAUSESOFT>(alcGetProcAddress(device, "alcDevicePauseSOFT"))(device);
  }
  ALuint click = 0;
  alGenSources(1, &click);
  alSourcei(click, AL_BUFFER, static_cast<ALint>(sounds.buffer));
  FloorVoice voice;
  Clock::time_point now = Clock::now();
  voice.Say(now);
  window.Show("Moon");
  SDL_Event event;
  const auto tick = std::chrono::milliseconds(20);
  Clock::time_point next = now;
  for (int ticks = 0;; ++ticks) {
    if (flying) {
      next += tick;
      std::this_thread::sleep_until(next);
      now = Clock::now();
      const float pitch = 1.0f + static_cast<float>(ticks % 50) * 0.01f;
      for (ALuint source : sounds.busy) alSourcef(source, AL_PITCH, pitch);
      if (ticks % 12 == 0) alSourcePlay(click);
      if (ticks % 25 == 0) window.Show("Altitude " + std::to_string(1000 - ticks % 1000));
      if (ticks % 150 == 0) voice.Say(now);
      voice.Rest(now);
      while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) return 0;
      }
      continue;
    }
    // Wakes for an event, or for the voice's rest.
    const int wait = voice.device != 0 ? 1500 : -1;
    if (SDL_WaitEventTimeout(&event, wait) != 0) {
      if (event.type == SDL_QUIT) return 0;
      if (event.type == SDL_KEYDOWN) window.Show(SDL_GetKeyName(event.key.keysym.sym));
    }
    voice.Rest(Clock::now());
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
  if (argc > 3 && std::string(argv[2]) == "sound") {
    KeyToSound(folder, argv[3], argc > 4 ? std::atoi(argv[4]) : 50);
    return 0;
  }
  if (argc > 3 && std::string(argv[2]) == "voice") {
    VoiceMemory(folder, argv[3]);
    return 0;
  }
  if (argc > 2 && (std::string(argv[2]) == "idle" || std::string(argv[2]) == "flight")) {
    return WaitingFloor(folder, std::string(argv[2]) == "flight");
  }
  if (argc > 2 && std::string(argv[2]) == "awake") return WaitingFloor(folder, false, false);
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
