// SPDX-License-Identifier: GPL-3.0-or-later
// What the player feels of the desktop program: the whole game on the real SDL window (under a
// private Xvfb), OpenAL Soft (null output) and the sound engine, flown by a driver that presses
// keys like a player. Measured: start-up to the first sound, a key press to the thruster sound's
// Play, the rhythm of the 20 ms flight tick, and the processor time a flight costs.
//
// VELTRO_BENCH_FLIGHT_SECONDS sets how long to fly (default 60; flights are repeated).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <numeric>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "platform/audio/ogg_streams.h"
#include "platform/base/environment.h"
#include "platform/base/platform_error.h"
#include "platform/decoders/audio_file.h"
#include "platform/desktop/sdl_dialogs.h"
#include "platform/desktop/sdl_event_loop.h"
#include "platform/headless/recording_speech.h"
#include "platform/openal/openal_sound_system.h"
#include "platform/openal/openal_streams.h"
#include "program.h"

namespace {

using namespace veltro;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

pid_t Spawn(std::vector<std::string> args, int out_fd = -1) {
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  if (out_fd < 0) posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// A private X server on a free display number, stopped when this goes.
class Xvfb {
 public:
  Xvfb() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "640x480x24",
                  "-nolisten", "tcp"},
                 fds[1]);
    close(fds[1]);
    std::string number;
    pollfd wait_for{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&wait_for, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) setenv("DISPLAY", (":" + number).c_str(), 1);
  }
  ~Xvfb() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }

 private:
  pid_t pid_ = -1;
};

// An output stream that hands each finished line to `on_line` with the moment it was written.
class TimedLines : public std::streambuf {
 public:
  std::function<void(const std::string&, Clock::time_point)> on_line;

 protected:
  int overflow(int c) override {
    if (c == '\n') {
      if (on_line) on_line(line_, Clock::now());
      line_.clear();
    } else if (c != EOF) {
      line_ += static_cast<char>(c);
    }
    return c;
  }

 private:
  std::string line_;
};

struct Stats {
  double mean = 0, sd = 0, min = 0, max = 0, p99 = 0;
  int over_2ms_late = 0;  // intervals more than 2 ms longer than 20 ms
};

Stats Summarise(std::vector<double> values) {
  Stats s;
  if (values.empty()) return s;
  std::sort(values.begin(), values.end());
  s.mean = std::accumulate(values.begin(), values.end(), 0.0) / values.size();
  double sq = 0;
  for (double v : values) sq += (v - s.mean) * (v - s.mean);
  s.sd = std::sqrt(sq / values.size());
  s.min = values.front();
  s.max = values.back();
  s.p99 = values[std::min(values.size() - 1, values.size() * 99 / 100)];
  s.over_2ms_late = static_cast<int>(
      std::count_if(values.begin(), values.end(), [](double v) { return v > 22.0; }));
  return s;
}

// Processor time of the whole process (the user-interface thread, the audio mixer, ...), or of
// the calling thread alone.
double CpuSeconds(int who = RUSAGE_SELF) {
  rusage usage{};
  getrusage(who, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Plays the game like a player: Moon, Easy, Continue; in flight a short burst of the thrusters
// every 1.5 s, alternately pressed through SDL's queue and through the X server (xdotool); after
// each flight, fly again until the flying time is used up, then leave.
class Driver {
 public:
  Driver(platform::headless::RecordingSpeechBackends& said, double flight_seconds)
      : said_(said), flight_seconds_(flight_seconds) {}

  void Tick() {
    auto now = Clock::now();
    for (; seen_ < said_.state().records.size(); ++seen_) Heard(said_.state().records[seen_].text);
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    if (!flying_ || now < next_burst_) return;
    if (!space_down_) {
      bool through_x = ++bursts_ % 2 == 0;
      pressed_at_ = Clock::now();
      pressed_through_x_ = through_x;
      if (through_x) {
        Spawn({"xdotool", "keydown", "space"});
      } else {
        Push(SDL_KEYDOWN, SDLK_SPACE);
      }
      space_down_ = true;
      next_burst_ = now + std::chrono::milliseconds(120);
    } else {
      if (pressed_through_x_) {
        Spawn({"xdotool", "keyup", "space"});
      } else {
        Push(SDL_KEYUP, SDLK_SPACE);
      }
      space_down_ = false;
      next_burst_ = now + std::chrono::milliseconds(1400);
    }
  }

  // A line of the sound log.
  void SoundLine(const std::string& line, Clock::time_point at) {
    if (line.find("\"intro.wav\"") != std::string::npos && first_sound_ == Clock::time_point{}) {
      first_sound_ = at;
    }
    if (line.find("\"retrojet.wav\"") != std::string::npos && pressed_at_ != Clock::time_point{}) {
      (pressed_through_x_ ? x_latency_ms_ : sdl_latency_ms_).push_back(Ms(at - pressed_at_));
      pressed_at_ = {};
    }
    if (flying_ && line.find("SetFrequency") != std::string::npos) {
      // Each tick retunes two tones within microseconds: the first of them marks the tick.
      if (last_tick_ != Clock::time_point{} && at - last_tick_ < std::chrono::milliseconds(5)) {
        return;
      }
      if (last_tick_ != Clock::time_point{}) tick_ms_.push_back(Ms(at - last_tick_));
      last_tick_ = at;
    }
  }

  Clock::time_point first_sound_{};
  std::vector<double> sdl_latency_ms_, x_latency_ms_, tick_ms_;
  double flown_seconds_ = 0, flight_cpu_seconds_ = 0, flight_ui_cpu_seconds_ = 0;

 private:
  void Push(Uint32 type, SDL_Keycode key) {
    SDL_Event event{};
    event.key.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    SDL_PushEvent(&event);
  }
  void Press(SDL_Keycode key) {
    Push(SDL_KEYDOWN, key);
    Push(SDL_KEYUP, key);
  }

  void Heard(const std::string& text) {
    if (text == "Moon" && !chose_world_) {
      chose_world_ = true;
      Press(SDLK_RETURN);
    } else if (text == "Easy") {
      Press(SDLK_RETURN);
    } else if (text == "Repeat") {
      Press(SDLK_DOWN);
      Press(SDLK_RETURN);
    } else if (text == "Press and hold spacebar to fire thrusters") {
      flying_ = true;
      flight_start_ = Clock::now();
      cpu_start_ = CpuSeconds();
      ui_cpu_start_ = CpuSeconds(RUSAGE_THREAD);
      next_burst_ = flight_start_ + std::chrono::milliseconds(500);
      last_tick_ = {};
    } else if (text.rfind("Press Escape to exit", 0) == 0) {
      if (flying_) {
        flown_seconds_ += std::chrono::duration<double>(Clock::now() - flight_start_).count();
        flight_cpu_seconds_ += CpuSeconds() - cpu_start_;
        flight_ui_cpu_seconds_ += CpuSeconds(RUSAGE_THREAD) - ui_cpu_start_;
      }
      flying_ = false;
      if (space_down_) {
        Push(SDL_KEYUP, SDLK_SPACE);
        space_down_ = false;
      }
      Press(flown_seconds_ < flight_seconds_ ? SDLK_x : SDLK_ESCAPE);
    }
  }

  platform::headless::RecordingSpeechBackends& said_;
  double flight_seconds_;
  size_t seen_ = 0;
  bool chose_world_ = false, flying_ = false, space_down_ = false, pressed_through_x_ = false;
  int bursts_ = 0;
  Clock::time_point flight_start_{}, next_burst_{}, pressed_at_{}, last_tick_{};
  double cpu_start_ = 0, ui_cpu_start_ = 0;
};

void BM_DesktopFlight(benchmark::State& state) {
  const char* seconds_text = std::getenv("VELTRO_BENCH_FLIGHT_SECONDS");
  double flight_seconds = seconds_text ? std::atof(seconds_text) : 60.0;
  setenv("ALSOFT_DRIVERS", "null", 0);
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/veltro-bench-bus", 1);
  setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/veltro-bench-bus", 1);
  Xvfb display;

  for (auto _ : state) {
    auto launch = Clock::now();
    platform::desktop::SdlEventLoop ui;
    platform::Environment environment(platform::ExecutableFolder(), "3");
    platform::desktop::SdlDialogs dialogs(ui, environment.ProgramFolder() + "/help.html");
    platform::desktop::OpenAlSoundSystem sound;
    platform::SndfileDecoders decoders;
    platform::desktop::OpenAlStreamVoices voices(sound);
    platform::OggStreams ogg(decoders, voices);
    platform::desktop::OpenAlDirectShow direct_show(decoders, sound);
    platform::headless::RecordingSpeechBackends speech;
    Driver driver(speech, flight_seconds);
    TimedLines lines;
    lines.on_line = [&](const std::string& line, Clock::time_point at) {
      driver.SoundLine(line, at);
    };
    std::ostream sound_log(&lines);
    app::Program program(
        platform::Platform{{ui, dialogs, environment}, sound, ogg, direct_show, speech},
        &sound_log);
    auto driving = ui.CreateTimer([&] { driver.Tick(); });
    driving->SetInterval(10);
    driving->SetEnabled(true);
    program.Run();

    Stats sdl = Summarise(driver.sdl_latency_ms_);
    Stats x = Summarise(driver.x_latency_ms_);
    Stats tick = Summarise(driver.tick_ms_);
    state.counters["first_sound_ms"] = Ms(driver.first_sound_ - launch);
    state.counters["key_to_play_sdl_ms_mean"] = sdl.mean;
    state.counters["key_to_play_sdl_ms_max"] = sdl.max;
    state.counters["key_to_play_x_ms_mean"] = x.mean;
    state.counters["key_to_play_x_ms_max"] = x.max;
    state.counters["presses"] =
        static_cast<double>(driver.sdl_latency_ms_.size() + driver.x_latency_ms_.size());
    state.counters["ticks"] = static_cast<double>(driver.tick_ms_.size());
    state.counters["tick_ms_mean"] = tick.mean;
    state.counters["tick_ms_sd"] = tick.sd;
    state.counters["tick_ms_min"] = tick.min;
    state.counters["tick_ms_p99"] = tick.p99;
    state.counters["tick_ms_max"] = tick.max;
    state.counters["ticks_over_22ms"] = tick.over_2ms_late;
    state.counters["flown_s"] = driver.flown_seconds_;
    state.counters["cpu_percent_flying"] =
        driver.flown_seconds_ > 0 ? 100.0 * driver.flight_cpu_seconds_ / driver.flown_seconds_ : 0;
    state.counters["cpu_percent_flying_ui_thread"] =
        driver.flown_seconds_ > 0 ? 100.0 * driver.flight_ui_cpu_seconds_ / driver.flown_seconds_
                                  : 0;
  }
}

// The loop's own rhythm: a 20 ms timer and nothing else, for as long as the flight above.
void BM_TimerRhythm(benchmark::State& state) {
  const char* seconds_text = std::getenv("VELTRO_BENCH_FLIGHT_SECONDS");
  double seconds = seconds_text ? std::atof(seconds_text) : 60.0;
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/veltro-bench-bus", 1);
  setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/veltro-bench-bus", 1);
  Xvfb display;
  for (auto _ : state) {
    platform::desktop::SdlEventLoop ui;
    std::vector<double> intervals;
    Clock::time_point last{};
    auto end = Clock::now() + std::chrono::duration<double>(seconds);
    double cpu_start = CpuSeconds();
    auto timer = ui.CreateTimer([&] {
      auto now = Clock::now();
      if (last != Clock::time_point{}) intervals.push_back(Ms(now - last));
      last = now;
      if (now >= end) ui.EndProgram();
    });
    timer->SetInterval(20);
    timer->SetEnabled(true);
    try {
      ui.RunMessageLoop();
    } catch (const platform::ProgramEnded&) {
    }
    Stats tick = Summarise(intervals);
    state.counters["ticks"] = static_cast<double>(intervals.size());
    state.counters["tick_ms_mean"] = tick.mean;
    state.counters["tick_ms_sd"] = tick.sd;
    state.counters["tick_ms_min"] = tick.min;
    state.counters["tick_ms_p99"] = tick.p99;
    state.counters["tick_ms_max"] = tick.max;
    state.counters["ticks_over_22ms"] = tick.over_2ms_late;
    state.counters["cpu_percent"] = 100.0 * (CpuSeconds() - cpu_start) / seconds;
  }
}

}  // namespace

BENCHMARK(BM_DesktopFlight)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_TimerRhythm)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
