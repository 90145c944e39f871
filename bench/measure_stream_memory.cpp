// SPDX-License-Identifier: GPL-3.0-or-later
// How much a 10-minute OGG stream adds to the process: streams a stereo 44.1 kHz file from start
// to end on OpenAL Soft's loopback device, pumped every 10 ms of mixing, and prints the resident
// size before the stream starts and the largest it reaches while the stream plays.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "stream_files.h"

namespace {

using namespace veltro;

constexpr int kRate = 44100;
constexpr int kSeconds = 600;

long ResidentKiB() {
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE) / 1024;
}

}  // namespace

int main() {
  const std::string path =
      (std::filesystem::temp_directory_path() / "veltro_ten_minutes.ogg").string();
  bench::WriteStereoOgg(path, kSeconds);
  bench::LoopbackStreams streams;
  platform::OggLibrary& ogg = streams.ogg;
  auto& system = streams.system;
  system->Render(kRate);  // the mixer's own buffers exist before the first measurement
  const long before = ResidentKiB();
  const int32_t stream = ogg.PlayOggFromDisc(path, 0);
  long largest = before;
  int ticks = 0;
  while (ogg.OggIsPlaying(stream) != 0 && ticks < (kSeconds + 10) * 100) {
    ogg.UpdateOgg();
    system->Render(kRate / 100);
    if (++ticks % 100 == 0) largest = std::max(largest, ResidentKiB());
  }
  std::printf("played %.1f s; resident before %ld KiB, largest while streaming %ld KiB: +%ld KiB\n",
              ticks / 100.0, before, largest, largest - before);
  std::filesystem::remove(path);
  return largest - before < 2048 ? 0 : 1;
}
