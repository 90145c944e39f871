// SPDX-License-Identifier: GPL-3.0-or-later
// The OGG library and the MP3 player on real files: heard on OpenAL Soft's loopback device (on
// its null back-end, see openal_sound_test.cpp), and timed on the headless platform's virtual
// clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/audio/ogg_streams.h"
#include "platform/base/platform_error.h"
#include "platform/decoders/audio_file.h"
#include "platform/headless/simulated_streams.h"
#include "platform/openal/openal_streams.h"
#include "support/audio_file_fixtures.h"

namespace veltro::platform {
namespace {

using testing::TempDir;
using testing::WriteTone;

constexpr int kRate = 44100;
constexpr int kOgg = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
constexpr int kMp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
constexpr int kTick = kRate / 100;  // frames mixed between two pumps

double Peak(const std::vector<float>& samples, size_t from = 0, size_t to = SIZE_MAX) {
  double peak = 0;
  for (size_t i = from; i < std::min(to, samples.size()); ++i) {
    peak = std::max(peak, double{std::fabs(samples[i])});
  }
  return peak;
}

// The OGG library and the MP3 player on the loopback device, with tone files.
struct LoopbackOgg : ::testing::Test {
  std::unique_ptr<desktop::OpenAlSoundSystem> system = desktop::OpenAlSoundSystem::Loopback(kRate);
  std::shared_ptr<SoundDevice> device = system->DirectSoundCreate("");
  SndfileDecoders decoders;
  desktop::OpenAlStreamVoices voices{*system};
  OggStreams ogg{decoders, voices};
  desktop::OpenAlDirectShow direct_show{decoders, *system};
  TempDir dir;

  void SetUp() override {
    ASSERT_NE(ogg.InitOgg(0, 0), 0);
    ogg.SetOggBufferSize(5);
  }
  std::string Tone(double seconds, int format = kOgg, const std::string& name = "tone.ogg") {
    WriteTone(dir.File(name), format, 1, kRate, static_cast<int64_t>(seconds * kRate));
    return dir.File(name);
  }
  // Mixes until the MP3 player reaches its stop time (3 s at most), and checks that it did; how
  // many 10 ms sounded.
  int PlayOut(FilgraphManager& graph) {
    int sounding = 0;
    for (int tick = 0; tick < 300 && graph.CurrentPosition() < graph.StopTime(); ++tick) {
      std::this_thread::sleep_for(std::chrono::milliseconds(3));  // time for its thread
      sounding += Peak(system->Render(kTick)) > 0.05;
    }
    EXPECT_DOUBLE_EQ(graph.CurrentPosition(), graph.StopTime());
    return sounding;
  }
  // Mixes `seconds`, pumping every 10 ms when `pump`; the peak of each 10 ms.
  std::vector<double> Play(double seconds, bool pump = true) {
    std::vector<double> peaks;
    for (int tick = 0; tick < static_cast<int>(seconds * 100); ++tick) {
      if (pump) ogg.UpdateOgg();
      peaks.push_back(Peak(system->Render(kTick)));
    }
    return peaks;
  }
};

TEST_F(LoopbackOgg, LoopsPastItsEndAndAOnceStreamEnds) {
  const std::string tone = Tone(0.5);
  const int32_t looping = ogg.PlayOggFromDisc(tone, 1);
  const int32_t once = ogg.PlayOggFromDisc(tone, 0);
  ASSERT_GT(looping, 0);
  ASSERT_GT(once, looping);
  ASSERT_NE(ogg.SetVolumeOfOgg(100, looping), 0);
  Play(1.0);
  EXPECT_EQ(ogg.OggIsPlaying(once), 0);
  EXPECT_NE(ogg.OggIsPlaying(looping), 0);
  const std::vector<double> later = Play(0.5);
  EXPECT_GT(*std::min_element(later.begin(), later.end()), 0.2);  // no gap at the loop's seam
  ASSERT_NE(ogg.StopOgg(looping), 0);
  EXPECT_LT(Play(0.02, false).back(), 1e-6);  // once faded out
  EXPECT_EQ(ogg.OggIsPlaying(looping), 0);
}

TEST_F(LoopbackOgg, PauseThenResumeGoesOnWhereItStopped) {
  const int32_t stream = ogg.PlayOggFromDisc(Tone(1.0), 0);
  Play(0.4);
  ASSERT_NE(ogg.PauseOgg(stream), 0);
  EXPECT_EQ(ogg.OggIsPlaying(stream), 0);
  const std::vector<double> paused = Play(1.0);
  EXPECT_LT(*std::max_element(paused.begin() + 1, paused.end()), 1e-6);  // once faded out
  ASSERT_NE(ogg.PauseOgg(stream), 0);                                    // the same call resumes it
  // 0.6 s were left: it sounds through 0.55 s and is over by 0.65 s.
  const std::vector<double> resumed = Play(0.7);
  EXPECT_GT(*std::min_element(resumed.begin() + 1, resumed.begin() + 55), 0.2);
  EXPECT_LT(*std::max_element(resumed.begin() + 65, resumed.end()), 1e-6);
  EXPECT_EQ(ogg.OggIsPlaying(stream), 0);
  EXPECT_EQ(ogg.PauseOgg(stream), 0);  // an ended stream stays ended
}

TEST_F(LoopbackOgg, ThreeSecondsWithoutPumpsDoNotDropOutAndRunningDryResumesFadedIn) {
  const int32_t stream = ogg.PlayOggFromDisc(Tone(20), 0);
  Play(0.3);  // the queue fills up to the five seconds ahead
  const std::vector<double> unpumped = Play(3.0, false);
  EXPECT_GT(*std::min_element(unpumped.begin(), unpumped.end()), 0.2);

  ASSERT_NE(ogg.SetOggBufferSize(1), 0);
  Play(3.0, false);  // more than is queued: it runs dry
  EXPECT_LT(Peak(system->Render(kTick)), 1e-6);
  EXPECT_NE(ogg.OggIsPlaying(stream), 0);  // still a playing stream, waiting for data
  ogg.UpdateOgg();
  const std::vector<float> back = system->Render(kTick * 2);
  EXPECT_LT(Peak(back, 0, 2 * 44), 0.05);  // its first millisecond rises from silence
  EXPECT_GT(Peak(back, 2 * kTick), 0.2);
}

// A stereo stream's pan lowers the far channel by the pan, in decibels.
TEST_F(LoopbackOgg, StereoPanLowersTheFarChannel) {
  WriteTone(dir.File("stereo.ogg"), kOgg, 2, kRate, 2 * kRate);
  const int32_t stream = ogg.PlayOggFromDisc(dir.File("stereo.ogg"), 1);
  const struct {
    int32_t pan;
    double right_over_left_db;
  } rows[] = {{0, 0}, {-30, -30}, {20, 20}};
  for (const auto& row : rows) {
    ASSERT_NE(ogg.SetPanOfOgg(row.pan, stream), 0);
    system->Render(kTick);  // the change settles
    const std::vector<float> mixed = system->Render(10 * kTick);
    double left = 0, right = 0;
    for (size_t i = 0; i + 1 < mixed.size(); i += 2) {
      left += mixed[i] * mixed[i];
      right += mixed[i + 1] * mixed[i + 1];
    }
    EXPECT_NEAR(10 * std::log10(right / left), row.right_over_left_db, 0.5) << row.pan;
    EXPECT_NEAR(std::sqrt(2 * std::max(left, right) / mixed.size()), 0.5 / std::sqrt(2), 0.03);
  }
}

TEST_F(LoopbackOgg, ArgumentRulesAndCallsOutsideItsRun) {
  const std::string tone = Tone(1.0);
  const int32_t stream = ogg.PlayOggFromDisc(tone, 0);
  // Out of range (a position of one second is the end of the file), or for no such stream.
  const int32_t refused[] = {ogg.PlayOggFromDisc(tone, 2),
                             ogg.SetVolumeOfOgg(101, stream),
                             ogg.SetVolumeOfOgg(-1, stream),
                             ogg.SetPanOfOgg(51, stream),
                             ogg.SetFrequencyOfOgg(99, stream),
                             ogg.OggSetPosition(stream, -4),
                             ogg.OggSetPosition(stream, 2 * kRate),
                             ogg.SetOggBufferSize(0),
                             ogg.SetOggBufferSize(31),
                             ogg.SetVolumeOfOgg(50, stream + 1),
                             ogg.PauseOgg(stream + 1),
                             ogg.StopOgg(stream + 1)};
  const int32_t accepted[] = {
      ogg.SetVolumeOfOgg(0, stream), ogg.SetPanOfOgg(-50, stream), ogg.SetFrequencyOfOgg(0, stream),
      ogg.SetFrequencyOfOgg(88200, stream), ogg.OggSetPosition(stream, kRate)};
  for (size_t i = 0; i < std::size(refused); ++i) EXPECT_EQ(refused[i], 0) << "refused " << i;
  for (size_t i = 0; i < std::size(accepted); ++i) EXPECT_EQ(accepted[i], 1) << "accepted " << i;
  EXPECT_EQ(ogg.ShutdownOgg(), 1);
  EXPECT_EQ(ogg.OggIsPlaying(stream), 0);
  EXPECT_EQ(ogg.UpdateOgg(), 0);
  EXPECT_EQ(ogg.PlayOggFromDisc(tone, 0), 0);
  OggStreams fresh{decoders, voices};
  EXPECT_EQ(fresh.UpdateOgg(), 0);
}

// MP3 players on the loopback device: each feeds itself on its own thread.
TEST_F(LoopbackOgg, Mp3PlaysToItsStopTimeAndRateTwoHalvesIt) {
  const std::string tone = Tone(1.0, kMp3, "tone.mp3");
  // How long the player sounds, in seconds of mixing.
  auto heard = [&](double rate) {
    std::shared_ptr<FilgraphManager> graph = direct_show.NewFilgraphManager();
    graph->RenderFile(tone);
    EXPECT_NEAR(graph->StopTime(), 1.0, 0.06);  // an MP3 frame at most beyond the length
    graph->SetRate(rate);
    graph->Run();
    return PlayOut(*graph) / 100.0;
  };
  const double normal = heard(1.0);
  EXPECT_NEAR(normal, 1.0, 0.1);
  EXPECT_NEAR(heard(2.0), normal / 2, 0.06);
}

// Missing, empty, noisy, truncated, corrupt and foreign files never start a stream or player
// that hangs: each gives none, or one that ends by itself.
TEST_F(LoopbackOgg, BadFilesGiveNoStreamOrOneThatEnds) {
  for (std::string kind : {"ogg", "mp3"}) {
    std::ofstream(dir.File("empty." + kind));
    std::ofstream(dir.File("noise." + kind), std::ios::binary) << std::string(5000, '\x5a');
    const std::string cut =
        Tone(kind == "ogg" ? 2.0 : 1.0, kind == "ogg" ? kOgg : kMp3, "cut." + kind);
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
  }
  std::ofstream(dir.File("fake.ogg"), std::ios::binary) << "OggS" << std::string(3000, '\x01');
  Tone(0.3, SF_FORMAT_WAV | SF_FORMAT_PCM_16, "wave.ogg");
  for (const char* name :
       {"missing.ogg", "empty.ogg", "noise.ogg", "fake.ogg", "cut.ogg", "wave.ogg"}) {
    for (int32_t loop : {0, 1}) {
      const int32_t stream = ogg.PlayOggFromDisc(dir.File(name), loop);
      if (stream == 0) continue;
      Play(2.5);
      EXPECT_TRUE(loop == 1 || ogg.OggIsPlaying(stream) == 0) << name;
      ogg.StopOgg(stream);
    }
  }
  EXPECT_EQ(ogg.PlayOggFromDisc(dir.File("missing.ogg"), 0), 0);
  for (const char* name : {"missing.mp3", "empty.mp3", "noise.mp3", "cut.mp3"}) {
    std::shared_ptr<FilgraphManager> graph = direct_show.NewFilgraphManager();
    if (TryStep([&] { graph->RenderFile(dir.File(name)); })) {
      graph->Run();
      PlayOut(*graph);
    } else {
      EXPECT_THROW(graph->Run(), PlatformError) << name;
      EXPECT_NO_THROW(graph->Stop());
    }
  }
}

// In virtual time: a player that nobody asks for a minute still plays to its end on time, a
// stopped one keeps its place, positions and rates follow the file.
TEST(SimulatedStreams, Mp3KeepsTimeUnasked) {
  TempDir dir;
  WriteTone(dir.File("tone.mp3"), kMp3, 2, kRate, 3 * kRate);
  headless::VirtualClock clock;
  SndfileDecoders decoders;
  headless::SimulatedDirectShow direct_show(decoders, clock);
  std::shared_ptr<FilgraphManager> graph = direct_show.NewFilgraphManager();
  graph->RenderFile(dir.File("tone.mp3"));
  const double length = graph->StopTime();
  graph->SetRate(2);
  graph->Run();
  clock.Advance(0.5);
  EXPECT_NEAR(graph->CurrentPosition(), 1.0, 1e-3);
  graph->Stop();
  clock.Advance(10);
  EXPECT_NEAR(graph->CurrentPosition(), 1.0, 1e-3);
  graph->SetCurrentPosition(0.5);
  graph->SetRate(1);
  graph->Run();
  clock.Advance(60);
  EXPECT_EQ(graph->CurrentPosition(), length);
  EXPECT_THROW(graph->SetCurrentPosition(length + 0.1), PlatformError);
  EXPECT_THROW(graph->SetVolume(1), PlatformError);
  EXPECT_THROW(graph->SetBalance(-10001), PlatformError);
  EXPECT_THROW(graph->SetRate(0), PlatformError);
}

}  // namespace
}  // namespace veltro::platform
