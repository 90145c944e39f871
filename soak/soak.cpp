// SPDX-License-Identifier: GPL-3.0-or-later
// The soak: thousands of flights in a row on the real headless program (virtual clock, simulated
// sound device, recording speech), flown by a pilot that presses random keys from a seeded
// generator, across every world and difficulty. Each program run flies a few flights and leaves;
// between runs the soak measures the heap in use and the resident size, and fails when the
// program ended badly or the memory of the last tenth of the flights is not that of the first.
//
//   soak [--flights N] [--seed S]   the soak itself (default 10,000 flights)
//   soak --damaged-file N           N flights with a good click sound, then N with a click file
//                                   the OGG decoder rejects, each in a process of its own: the
//                                   maximum resident size (under AddressSanitizer the heap in
//                                   use) must stay within 1 MB of the good run's
#include <malloc.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "headless_run.h"
#include "platform/events/keys.h"
#include "platform/headless/script.h"

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
// The sanitizer's allocator: its count of the bytes in use (GCC ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
// A decoder library's leak on the path where it rejects a file is not ours; how far it may grow
// is what the damaged-file run measures.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libvorbis.so\nleak:libsndfile.so\nleak:libogg.so\n";
}
#else
constexpr bool kSanitized = false;
#endif

namespace veltro::soak {
namespace {

using platform::headless::KeyEvent;

constexpr int kFlightsPerRun = 10;
constexpr int kWorlds = 7;  // the world menu's flyable entries
constexpr int kDifficulties = 3;
// A flight still going after this long (an asteroid without gravity never lands) is aborted.
constexpr double kLongestFlight = 1200.0;
// Flat: the heap in use after the last tenth of the flights within this of the first tenth.
constexpr long kHeapTolerance = 64 * 1024;
constexpr long kDamagedTolerance = 1024 * 1024;

const std::string kWorldPrompt = "Where would you like to land?";
const std::string kDifficultyPrompt = "Difficulty Level?";
const std::string kBriefingMenu = "Repeat";
const std::string kFlightStart = "Press and hold spacebar to fire thrusters";
const std::string kClosingPrompt =
    "Press Escape to exit, N to select a new planet, or  any other key to try again.";

// Keys the pilot presses at random in flight: each group's keys as often as its weight says.
constexpr std::pair<int, const char*> kFlightKeys[] = {
    {80, "Tab"},
    {50, "A V F"},
    {20, "S Shift+A Shift+F Shift+E Shift+V Ctrl+A Ctrl+F Ctrl+V Shift+F1 Down Return"},
    {10, "Ctrl+1 Ctrl+3 F1 Up Home End Shift+Q Alt+Space Z Ctrl+Shift+S Alt+F1 7 Shift+Tab"},
    {1, "Escape Q"},  // an abort now and then; Escape also closes the key help
};

// Flies flights as a player would, from what the program says (the speech log, written to it line
// by line): it picks the world and the difficulty of each flight in turn, goes through the
// briefing, and in flight holds the space bar and presses random keys until the flight ends;
// after `flights` flights it leaves.
class Pilot : public platform::headless::KeySource, public std::streambuf {
 public:
  Pilot(std::mt19937_64& random, int first_flight, int flights)
      : random_(random), next_world_(first_flight), flights_left_(flights) {}

  int flights_flown() const { return flights_flown_; }

 private:
  // A line of the speech log: the time, a blank and the text.
  void Heard(const std::string& line) {
    const std::string text = line.substr(line.find(' ') + 1);
    if (text == kWorldPrompt) {
      flying_ = false;
      const int flight = next_world_++;
      for (int i = 0; i < flight % kWorlds; ++i) Press("Down");
      Press("Return");
      difficulty_ = flight / kWorlds % kDifficulties;
    } else if (text == kDifficultyPrompt) {
      for (int i = 0; i < difficulty_; ++i) Press("Down");
      Press("Return");
    } else if (text == kBriefingMenu) {
      if (!Chance(10)) Press("Down");  // Continue; now and then the briefing again
      Press("Return");
    } else if (text == kFlightStart) {
      flying_ = true;
      flight_started_ = now_;
    } else if (text == kClosingPrompt) {
      // Keys planned for the flight would choose what comes next: they are not pressed.
      flying_ = false;
      keys_.clear();
      ++flights_flown_;
      // The last flight of the run leaves; the others fly the same world again or a new one.
      Press(--flights_left_ <= 0 ? "Escape" : Chance(8) ? "R" : "N");
    }
  }

  int overflow(int c) override {
    if (c == '\n') {
      Heard(line_);
      line_.clear();
    } else if (c != traits_type::eof()) {
      line_ += static_cast<char>(c);
    }
    return c;
  }

  // KeySource
  std::optional<KeyEvent> TakeDueKey(double now) override {
    if (!NextDue(now) || keys_.front().due > now) return std::nullopt;
    const KeyEvent event = keys_.front().event;
    keys_.pop_front();
    return event;
  }
  std::optional<double> NextDue(double now) override {
    now_ = now;
    PlanFlight();
    return keys_.empty() ? std::nullopt : std::optional(keys_.front().due);
  }
  std::string Waiting() const override {
    return "the pilot, " + std::string(flying_ ? "in flight" : "outside a flight") + " after " +
           std::to_string(flights_flown_) + " flights of this run";
  }

  struct TimedKey {
    double due;
    KeyEvent event;
  };

  bool Chance(int one_in) { return random_() % static_cast<unsigned>(one_in) == 0; }
  double Uniform(double from, double to) {
    return std::uniform_real_distribution(from, to)(random_);
  }
  // A key goes down and comes up `hold` seconds later, after every key planned before it.
  void Press(const std::string& name, double delay = 0.0, double hold = 0.05) {
    const platform::headless::ScriptKey key = *platform::headless::ParseKey(name);
    const double at = (keys_.empty() ? now_ : keys_.back().due) + delay;
    keys_.push_back({at, {true, key.code, key.shift}});
    keys_.push_back({at + hold, {false, key.code, key.shift}});
  }

  // In flight, once the keys planned so far are pressed: the next thing the player does.
  void PlanFlight() {
    if (!flying_ || !keys_.empty()) return;
    const double delay = Uniform(0.02, 1.5);
    if (now_ - flight_started_ > kLongestFlight) {
      Press("Q", delay);
    } else if (Chance(3)) {
      Press("Space", delay, Uniform(0.05, 4.0));  // a burn
    } else {
      static const std::vector<std::string> bag = [] {
        std::vector<std::string> keys;
        for (const auto& [weight, names] : kFlightKeys) {
          std::istringstream list(names);
          for (std::string name; list >> name;) keys.insert(keys.end(), weight, name);
        }
        return keys;
      }();
      Press(bag[random_() % bag.size()], delay);
    }
  }

  std::mt19937_64& random_;
  double now_ = 0.0;  // the clock when the program last served its queue
  std::deque<TimedKey> keys_;
  int next_world_;
  int flights_left_;
  int flights_flown_ = 0;
  int difficulty_ = 0;
  bool flying_ = false;
  double flight_started_ = 0.0;
  std::string line_;  // of the speech log, until its end
};

struct Memory {
  long heap;     // bytes the allocator has handed out and not got back
  long rss;      // resident bytes now
  long max_rss;  // the most resident bytes so far
};

long StatusField(const std::string& name) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(name + ":", 0) == 0) return std::stol(line.substr(name.size() + 1)) * 1024;
  }
  return -1;
}

Memory Measure() {
#if defined(__SANITIZE_ADDRESS__)
  const long heap = static_cast<long>(__sanitizer_get_current_allocated_bytes());
#else
  const struct mallinfo2 info = mallinfo2();
  const long heap = static_cast<long>(info.uordblks + info.hblkhd);
#endif
  return {heap, StatusField("VmRSS"), StatusField("VmHWM")};
}

// Flies `flights` flights from flight number `first` on, kFlightsPerRun to a program run.
// Returns false, with a message on stderr, when a run ended otherwise than by the pilot's Escape.
bool Fly(const std::string& folder, std::mt19937_64& random, int first, int flights) {
  for (int done = 0; done < flights;) {
    const int in_run = std::min(kFlightsPerRun, flights - done);
    Pilot pilot(random, first + done, in_run);
    std::ostream speech_log(&pilot);
    app::HeadlessOptions options;
    options.speech_log = &speech_log;
    options.program_folder = folder;
    options.seed = random();
    options.max_seconds = in_run * (kLongestFlight + 600.0);
    app::HeadlessRun run(options);
    run.events().SetKeySource(&pilot);
    const app::RunOutcome outcome = run.Run();
    if (outcome.status != 0 || pilot.flights_flown() != in_run) {
      std::fprintf(stderr,
                   "soak: the run from flight %d ended with status %d after %d flights: %s\n",
                   first + done, outcome.status, pilot.flights_flown(), outcome.message.c_str());
      return false;
    }
    done += in_run;
  }
  return true;
}

double Megabytes(long bytes) {
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

int Soak(int flights, uint64_t seed) {
  std::mt19937_64 random(seed);
  const int tenth = std::max(kFlightsPerRun, flights / 10);
  const auto start = std::chrono::steady_clock::now();
  std::optional<Memory> first;
  Memory last{};
  std::printf("%8s %9s %12s %10s %10s\n", "flights", "wall s", "heap bytes", "RSS MB",
              "max RSS MB");
  for (int flown = 0; flown < flights; flown += tenth) {
    const int count = std::min(tenth, flights - flown);
    if (!Fly(VELTRO_BIN_DIR, random, flown, count)) return 1;
    last = Measure();
    if (!first) first = last;
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    std::printf("%8d %9.1f %12ld %10.1f %10.1f\n", flown + count, wall.count(), last.heap,
                Megabytes(last.rss), Megabytes(last.max_rss));
    std::fflush(stdout);
  }
  const long growth = last.heap - first->heap;
  std::printf(
      "heap growth from the first to the last tenth: %ld bytes (tolerance %ld)%s; "
      "RSS %+.1f MB\n",
      growth, kHeapTolerance, growth > kHeapTolerance ? ", too much" : "",
      Megabytes(last.rss - first->rss));
  return growth > kHeapTolerance ? 1 : 0;
}

// A Vorbis stream cut off after its identification header: Ogg content that the Vorbis decoder
// rejects once it has set itself up (the path on which libvorbis leaves memory behind).
std::string RejectedOggBytes() {
  // Version 0, one channel, 44100 Hz; no bitrates; block sizes 256 and 2048, the framing bit.
  const std::string packet =
      std::string("\x01vorbis\0\0\0\0\x01\x44\xac\0\0", 16) + std::string(12, '\0') + "\xb8\x01";
  // The first page: no granule position, stream 1, page 0, the checksum filled in below; one
  // segment, of the packet's length.
  std::string page = std::string("OggS\0\x02", 6) + std::string(8, '\0') +
                     std::string("\x01\0\0\0", 4) + std::string(8, '\0') + '\x01' +
                     static_cast<char>(packet.size()) + packet;
  uint32_t crc = 0;
  for (unsigned char byte : page) {
    crc ^= static_cast<uint32_t>(byte) << 24;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04c11db7u : crc << 1;
  }
  for (int i = 0; i < 4; ++i) page[22 + i] = static_cast<char>(crc >> (8 * i));
  return page;
}

// The program's sounds copied into a new `folder`, with click.wav replaced by `click` if given.
std::string CopySounds(const std::filesystem::path& folder,
                       const std::optional<std::string>& click) {
  std::filesystem::create_directories(folder);
  for (const auto& entry : std::filesystem::directory_iterator(VELTRO_BIN_DIR)) {
    if (entry.path().extension() == ".wav") std::filesystem::copy(entry.path(), folder);
  }
  if (click) std::ofstream(folder / "click.wav", std::ios::binary | std::ios::trunc) << *click;
  return folder.string();
}

// Flies the flights from `folder` in a process of its own; its maximum resident size and the heap
// left in use at its end, or nothing when it failed.
std::optional<Memory> FlyInChild(const std::string& folder, int flights) {
  // The child's figures come back in a page the two processes share.
  void* page =
      mmap(nullptr, sizeof(Memory), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (page == MAP_FAILED) return std::nullopt;
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    std::mt19937_64 random(1);
    const bool flown = Fly(folder, random, 0, flights);
    *static_cast<Memory*>(page) = Measure();
    std::exit(flown ? 0 : 1);
  }
  int status = -1;
  if (child > 0) waitpid(child, &status, 0);
  const Memory memory = *static_cast<Memory*>(page);
  munmap(page, sizeof(Memory));
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return memory;
}

int DamagedFile(int flights) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("veltro-soak-" + std::to_string(getpid()));
  const std::optional<Memory> with_good =
      FlyInChild(CopySounds(folder / "good", std::nullopt), flights);
  const std::optional<Memory> with_damaged =
      FlyInChild(CopySounds(folder / "damaged", RejectedOggBytes()), flights);
  std::filesystem::remove_all(folder);
  if (!with_good || !with_damaged) {
    std::fprintf(stderr, "soak: a damaged-file run failed\n");
    return 1;
  }
  std::printf(
      "%d flights: max RSS %.1f MB with the good click, %.1f MB with the rejected one; "
      "heap left in use %ld and %ld bytes\n",
      flights, Megabytes(with_good->max_rss), Megabytes(with_damaged->max_rss), with_good->heap,
      with_damaged->heap);
  std::fflush(stdout);
  // Under the sanitizer the resident size is mostly its quarantine of freed blocks; its own
  // count of the bytes in use is exact.
  const long growth = kSanitized ? with_damaged->heap - with_good->heap
                                 : with_damaged->max_rss - with_good->max_rss;
  std::printf("the rejected file grew the %s by %.1f MB (tolerance %.1f)%s\n",
              kSanitized ? "heap" : "maximum resident size", Megabytes(growth),
              Megabytes(kDamagedTolerance), growth > kDamagedTolerance ? ", too much" : "");
  return growth > kDamagedTolerance ? 1 : 0;
}

}  // namespace
}  // namespace veltro::soak

int main(int argc, char** argv) {
  std::map<std::string, long long> options{{"--flights", 10000}, {"--seed", 1}};
  for (int i = 1; i < argc; i += 2) {
    char* end = nullptr;
    const long long value = i + 1 < argc ? std::strtoll(argv[i + 1], &end, 10) : 0;
    if (!(options.contains(argv[i]) || std::string(argv[i]) == "--damaged-file") ||
        end == argv[i + 1] || *end != '\0' || value < 1 || value > 1000000000) {
      std::fprintf(stderr, "usage: soak [--flights N] [--seed S] | soak --damaged-file N\n");
      return 2;
    }
    options[argv[i]] = value;
  }
  if (options.contains("--damaged-file")) {
    return veltro::soak::DamagedFile(static_cast<int>(options["--damaged-file"]));
  }
  return veltro::soak::Soak(static_cast<int>(options["--flights"]), options["--seed"]);
}
