// SPDX-License-Identifier: GPL-3.0-or-later
// A file of arbitrary bytes streamed by the OGG library or played by the MP3 player, on the
// headless program's voices in virtual time, while the game moves, pauses and re-pitches it.
//
// Input: two bytes of options, then the file.
//   byte 0, bit 0   the MP3 player with a .mp3 name (else the OGG library with a .ogg name)
//           bit 1   looping (the OGG library)
//           bit 2   decoded whole in memory first, as the browser edition does
//           bits 3-7  where the stream is moved to, in 32nds of its length
//   byte 1, bits 0-1  the rate: 1, 0.5, 2 or 64 times
//           bits 2-7  which round the move, the pause and the rate change come in
#include <cmath>

#include "fuzz_folder.h"
#include "platform/audio/ogg_streams.h"
#include "platform/base/platform_error.h"
#include "platform/decoders/audio_file.h"
#include "platform/decoders/whole_file_decoders.h"
#include "platform/headless/simulated_streams.h"

namespace {

using veltro::platform::PlatformError;
using veltro::platform::StreamDecoders;
using veltro::platform::headless::VirtualClock;

constexpr int kRounds = 12;
constexpr double kRates[] = {1.0, 0.5, 2.0, 64.0};

struct Options {
  bool loop;
  double move_to;  // a fraction of the length
  double rate;
  int move_round, pause_round, rate_round;
};

void PlayOgg(const std::string& path, const Options& options, StreamDecoders& decoders,
             VirtualClock& clock) {
  veltro::platform::headless::SimulatedStreamVoices voices(clock);
  veltro::platform::OggStreams ogg(decoders, voices);
  ogg.InitOgg(0, 0);
  ogg.SetOggBufferSize(1);
  const int32_t handle = ogg.PlayOggFromDisc(path, options.loop ? 1 : 0);
  if (handle == 0) return;
  for (int round = 0; round < kRounds; ++round) {
    clock.Advance(0.25 / options.rate);
    ogg.UpdateOgg();
    if (round == options.move_round) {
      ogg.OggSetPosition(handle, static_cast<int32_t>(options.move_to * 1e6));
    }
    if (round == options.pause_round) ogg.PauseOgg(handle);
    if (round == options.pause_round + 2) ogg.PauseOgg(handle);
    if (round == options.rate_round) {
      ogg.SetFrequencyOfOgg(static_cast<int32_t>(std::lround(22050 * options.rate)), handle);
    }
    ogg.OggIsPlaying(handle);
  }
  ogg.StopOgg(handle);
}

void PlayMp3(const std::string& path, const Options& options, StreamDecoders& decoders,
             VirtualClock& clock) {
  veltro::platform::headless::SimulatedDirectShow direct_show(decoders, clock);
  std::shared_ptr<veltro::platform::FilgraphManager> graph = direct_show.NewFilgraphManager();
  graph->RenderFile(path);
  graph->SetVolume(-300);
  graph->SetBalance(200);
  graph->Run();
  for (int round = 0; round < kRounds; ++round) {
    clock.Advance(0.25 / options.rate);
    // The length is the header's until the end is found, where a damaged file may prove it wrong.
    const double position = graph->CurrentPosition(), length = graph->StopTime();
    if (!(position >= 0 && position <= length)) abort();
    if (round == options.move_round) graph->SetCurrentPosition(options.move_to * length);
    if (round == options.pause_round) graph->Stop();
    if (round == options.pause_round + 2) graph->Run();
    if (round == options.rate_round) graph->SetRate(options.rate);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const bool mp3 = (data[0] & 1) != 0;
  Options options;
  options.loop = (data[0] & 2) != 0;
  options.move_to = (data[0] >> 3) / 32.0;
  options.rate = kRates[data[1] & 3];
  options.move_round = (data[1] >> 2) % kRounds;
  options.pause_round = (data[1] >> 4) % kRounds;
  options.rate_round = (data[1] >> 6) * 3;
  const std::string path =
      veltro::fuzz::TheFolder().Write(mp3 ? "fuzz.mp3" : "fuzz.ogg", data + 2, size - 2);

  veltro::platform::SndfileDecoders piecewise;
  veltro::platform::WholeFileDecoders whole;
  StreamDecoders& decoders = (data[0] & 4) != 0 ? static_cast<StreamDecoders&>(whole) : piecewise;
  VirtualClock clock;
  if (mp3) {
    // The player's failures are PlatformErrors, which the game catches and goes on.
    try {
      PlayMp3(path, options, decoders, clock);
    } catch (const PlatformError&) {
    }
  } else {
    PlayOgg(path, options, decoders, clock);
  }
  return 0;
}
