// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <numeric>
#include <thread>

#include "platform/audio/ogg_streams.h"
#include "platform/audio/sound_file_cache.h"
#include "platform/base/platform_error.h"
#include "platform/decoders/audio_file.h"
#include "platform/openal/openal_sound_buffer.h"
#include "platform/openal/openal_sound_system.h"
#include "platform/openal/openal_streams.h"
#include "platform/openal/sound_conversions.h"
#include "support/audio_file_fixtures.h"

namespace veltro::platform::desktop {
namespace {

constexpr int kRenderRate = 44100;
constexpr int32_t kPlainFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN;
constexpr int32_t k3DFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRL3D;
const double kFullRms = 0.5 / std::sqrt(2);  // of the test tone, at half of full scale

// OpenAL Soft reads its back-end list once per process: the null back-end keeps every test of this
// program (here, the device rules and the streams) away from a sound card.
class NullDriverEnvironment : public ::testing::Environment {
  void SetUp() override { setenv("ALSOFT_DRIVERS", "null", 1); }
};
const auto* const kNullDrivers = ::testing::AddGlobalTestEnvironment(new NullDriverEnvironment);

double Rms(const std::vector<float>& s) {
  return std::sqrt(std::inner_product(s.begin(), s.end(), s.begin(), 0.0) / double(s.size()));
}
const auto Db = [](double ratio) { return 20 * std::log10(ratio); };
int ZeroCrossings(const std::vector<float>& samples) {
  int crossings = 0;
  for (size_t i = 1; i < samples.size(); ++i) crossings += (samples[i - 1] < 0) != (samples[i] < 0);
  return crossings;
}

// {converted, expected, tolerance}, for what the rendering tests below do not hear: -10000 and
// below are silent, louder than 0 is full; a pitch for any rate; at pan 10000 the far channel sits
// at 60 degrees, where it is silent.
TEST(OpenAlSoundConversionsTest, SilenceFullVolumePitchAndFullPan) {
  const float cases[][3] = {{VolumeToGain(-10000), 0, 0},
                            {VolumeToGain(-20000), 0, 0},
                            {VolumeToGain(300), 1, 0},
                            {FrequencyToPitch(11025, 44100), 0.25f, 0},
                            {PanToPlacement(10000).angle_degrees, 60, 0}};
  for (size_t row = 0; row < std::size(cases); ++row) {
    EXPECT_NEAR(cases[row][0], cases[row][1], cases[row][2]) << "row " << row;
  }
  EXPECT_GT(FrequencyToPitch(1, 200000), 0.0f);  // never a pitch OpenAL refuses
  EXPECT_LE(FrequencyToPitch(200000, 100), 255.0f);
}

class OpenAlSoundTest : public ::testing::Test {
 protected:
  struct Channels {
    std::vector<float> left, right;
  };

  // A mono 440 Hz tone in a buffer made from a description and written, as decoded OGG sounds are.
  std::shared_ptr<SoundBuffer> Tone(double seconds, int32_t flags = kPlainFlags) {
    testing::WriteTone(dir_.File("tone.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 22050,
                       std::lround(seconds * 22050));
    const AudioData tone = LoadAudioFile(dir_.File("tone.wav"));
    const auto bytes = static_cast<int32_t>(tone.pcm.size());
    auto buffer =
        device_->CreateSoundBuffer({.Flags = flags, .BufferBytes = bytes, .Format = tone.format});
    buffer->WriteBuffer(0, bytes, tone.pcm.data(), DSBLOCK_ENTIREBUFFER);
    return buffer;
  }
  // Renders `seconds` after letting the last change settle for `settle` seconds, in the periods
  // the game's device mixes in (a change such as a fade is spread over one period).
  Channels Render(double seconds, double settle = 0.05) {
    if (settle > 0) system_->Render(static_cast<int>(settle * kRenderRate));
    Channels channels;
    for (int left = static_cast<int>(seconds * kRenderRate); left > 0; left -= kPeriod) {
      const std::vector<float> mixed = system_->Render(std::min(left, kPeriod));
      for (size_t i = 0; i + 1 < mixed.size(); i += 2) {
        channels.left.push_back(mixed[i]);
        channels.right.push_back(mixed[i + 1]);
      }
    }
    return channels;
  }
  static constexpr int kPeriod = 256;

  testing::TempDir dir_;
  std::unique_ptr<OpenAlSoundSystem> system_ = OpenAlSoundSystem::Loopback(kRenderRate);
  std::shared_ptr<SoundDevice> device_ = system_->DirectSoundCreate("");
};

// The tone holds exactly 44 periods and loops across many loop points, without a gap.
TEST_F(OpenAlSoundTest, ALoopWithoutGapsChangesWithFrequencyVolumePanAnd3DPosition) {
  auto tone = Tone(0.1);
  tone->Play(DSBPLAY_LOOPING);
  const Channels normal = Render(0.5);
  int quiet_run = 0, longest_quiet_run = 0;
  for (float sample : normal.left) {
    quiet_run = std::abs(sample) < 0.01f ? quiet_run + 1 : 0;
    longest_quiet_run = std::max(longest_quiet_run, quiet_run);
  }
  EXPECT_LE(longest_quiet_run, 2);
  // A duplicate plays the same OpenAL data, not a copy of it.
  EXPECT_EQ(dynamic_cast<OpenAlSoundBuffer&>(*device_->DuplicateSoundBuffer(*tone)).pcm()->id(),
            dynamic_cast<OpenAlSoundBuffer&>(*tone).pcm()->id());
  // Centred at full volume, each channel carries the sound at its full level, as DirectSound's.
  EXPECT_NEAR(Db(Rms(normal.left) / kFullRms), 0.0, 0.3);
  EXPECT_NEAR(Rms(normal.left), Rms(normal.right), 1e-4);

  tone->SetFrequency(44100);
  EXPECT_NEAR(ZeroCrossings(Render(0.5).left), 2.0 * ZeroCrossings(normal.left), 4);

  tone->SetFrequency(0);  // its own rate again
  tone->SetVolume(-600);
  const Channels quieter = Render(0.5);
  EXPECT_NEAR(ZeroCrossings(quieter.left), ZeroCrossings(normal.left), 2);
  EXPECT_NEAR(Rms(quieter.left) / Rms(normal.left), 0.501, 0.01);

  // The near channel stays full and the far one drops |pan| hundredths of a decibel.
  tone->SetVolume(0);
  for (int pan : {-3000, -1000, 600, 3000, 5000, -6000, 7000}) {
    SCOPED_TRACE(pan);
    tone->SetPan(pan);
    const Channels heard = Render(0.5);
    const std::vector<float>& near = pan < 0 ? heard.left : heard.right;
    const std::vector<float>& far = pan < 0 ? heard.right : heard.left;
    EXPECT_NEAR(Db(Rms(near) / kFullRms), 0.0, 0.3);
    EXPECT_NEAR(Db(Rms(far) / Rms(near)), -std::abs(pan) / 100.0, 0.5 + std::abs(pan) / 5000.0);
  }

  // A 3D sound on the listener's right is louder on the right.
  tone->Stop();
  const BufferDesc primary{.Flags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D, .Format = {}};
  auto listener = device_->CreatePrimaryBuffer(primary)->GetDirectSound3DListener();
  auto spatial = Tone(1.0, k3DFlags);
  auto sound_3d = spatial->GetDirectSound3DBuffer();
  sound_3d->SetMinDistance(100, DS3D_IMMEDIATE);
  sound_3d->SetPosition({100, 0, 0}, DS3D_IMMEDIATE);
  spatial->Play(DSBPLAY_LOOPING);
  const Channels right = Render(0.5);
  EXPECT_GT(Db(Rms(right.right) / Rms(right.left)), 20);
  // Turned round to face -z, the listener has the sound on its left.
  listener->SetOrientation({0, 0, -1}, {0, 1, 0}, DS3D_IMMEDIATE);
  const Channels turned = Render(0.5);
  EXPECT_GT(Db(Rms(turned.left) / Rms(turned.right)), 20);
}

double LargestStep(const std::vector<float>& samples) {
  double largest = 0.0;
  for (size_t i = 1; i < samples.size(); ++i)
    largest = std::max(largest, double{std::fabs(samples[i] - samples[i - 1])});
  return largest;
}

// Cues and streams stopped or let go of part-way through a period fade out in a few milliseconds,
// no step larger than one while they played; a stopped one reports what it did at the stop, its
// source pauses for good once faded, and it is heard again when started again.
TEST_F(OpenAlSoundTest, AStoppedOrReleasedSoundFadesOutWithoutAClick) {
  testing::WriteTone(dir_.File("tone.ogg"), SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1, kRenderRate,
                     kRenderRate);
  testing::WriteTone(dir_.File("tone.mp3"), SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 1,
                     kRenderRate, kRenderRate);
  SndfileDecoders decoders;
  OpenAlStreamVoices voices(*system_);
  OggStreams ogg(decoders, voices);
  ogg.InitOgg(0, 0);
  OpenAlDirectShow direct_show(decoders, *system_);
  const auto probe = Tone(0.1);  // its calls into the device settle the fades mixed past
  const struct {
    std::string file;
    bool release;
  } kCases[] = {{"alt.wav", false},     {"fuel.wav", false},    {"retrojet.wav", false},
                {"NoFuel.wav", false},  {"toofast.wav", false}, {"explosion.wav", false},
                {"retrojet.wav", true}, {"tone.ogg", false},    {"tone.ogg", true},
                {"tone.mp3", false},    {"tone.mp3", true}};
  for (const auto& row : kCases) {
    SCOPED_TRACE(row.file + (row.release ? " released" : " stopped"));
    std::shared_ptr<SoundBuffer> sound;
    int32_t stream = 0;
    std::shared_ptr<FilgraphManager> graph;
    std::function<void()> play, stop;
    std::function<double()> report;  // what the engine is told of the sound
    if (row.file.ends_with(".wav")) {
      const int32_t flags = row.file == "explosion.wav" ? 0 : DSBPLAY_LOOPING;
      sound = device_->CreateSoundBufferFromFile(VELTRO_BIN_DIR "/" + row.file,
                                                 {.Flags = kPlainFlags, .Format = {}});
      play = [&sound, flags] { sound->Play(flags); };
      stop = [&] { row.release ? sound.reset() : sound->Stop(); };
      report = [&sound] { return sound ? sound->GetStatus() : 0; };
    } else if (row.file.ends_with(".ogg")) {
      stream = ogg.PlayOggFromDisc(dir_.File(row.file), 1);
      play = [&] { ogg.PauseOgg(stream); };  // resumes a paused stream
      stop = [&] { row.release ? ogg.StopOgg(stream) : ogg.PauseOgg(stream); };
      report = [&] { return ogg.OggIsPlaying(stream); };
    } else {
      graph = direct_show.NewFilgraphManager();
      graph->RenderFile(dir_.File(row.file));
      play = [&graph] { graph->Run(); };
      stop = [&] { row.release ? graph.reset() : graph->Stop(); };
      report = [&graph] { return graph ? graph->CurrentPosition() : 0; };
    }
    if (stream == 0) play();  // an OGG stream starts playing at once
    const ALuint source = sound ? dynamic_cast<OpenAlSoundBuffer&>(*sound).source() : 0;
    const Channels playing = Render(0.1237, 0);
    stop();
    const double reported = report();
    EXPECT_TRUE(graph || reported == 0) << reported;  // an MP3 reports its position
    Channels stopping = Render(0.02, 0);
    stopping.left.insert(stopping.left.begin(), playing.left.back());  // the step into the stop
    EXPECT_LE(LargestStep(stopping.left), LargestStep(playing.left));
    EXPECT_LT(Rms(Render(0.1, 0).left), 1e-5) << "still heard after the fade";
    probe->GetStatus();  // a call into the device: what has faded stops for real
    EXPECT_EQ(report(), reported);
    ALint state = AL_PAUSED;
    if (sound) alGetSourcei(source, AL_SOURCE_STATE, &state);
    EXPECT_TRUE(source == 0 || (row.release ? !alIsSource(source) : state == AL_PAUSED));
    if (!row.release) play();
    EXPECT_TRUE(row.release || Rms(Render(0.05, 0).left) > 0.01) << "silent after a restart";
    sound.reset(), ogg.StopOgg(stream), graph.reset();
    Render(0.05, 0);  // and fades out before the next
  }
}

TEST(OpenAlSoundSystemTest, APreloadedSoundPlaysWithoutReadingItsFileAgainAMissingDeviceThrows) {
  testing::TempDir dir;
  for (const char* name : {"jet.wav", "other.WAV", "unused.wav"}) {
    testing::WriteTone(dir.File(name), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 22050, 2205);
  }
  std::vector<std::string> reads;
  SoundFileCache files([&reads](const std::string& path) {
    reads.push_back(std::filesystem::path(path).filename());
    return LoadAudioFile(path);
  });
  files.Preload(dir.path, {"jet.wav", "other.WAV", "missing.wav"});
  auto system = OpenAlSoundSystem::Loopback(kRenderRate);
  system->SetSoundFileCache(&files);
  auto device = system->DirectSoundCreate("");
  const BufferDesc desc{.Flags = kPlainFlags, .BufferBytes = 0, .Format = {}};
  auto jet = device->CreateSoundBufferFromFile(dir.path + "//./jet.wav", desc);
  jet->Play(0);
  EXPECT_EQ(jet->GetStatus(), DSBSTATUS_PLAYING);
  EXPECT_EQ(jet->bytes(), 2205 * 2);
  std::sort(reads.begin(), reads.end());
  // Once each, ahead; a file in the folder the program does not play is not read at all.
  EXPECT_EQ(reads, (std::vector<std::string>{"jet.wav", "other.WAV"}));
  // A file that is not among them is read when asked for; a missing one is refused as before.
  testing::WriteTone(dir.File("late.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 22050, 100);
  device->CreateSoundBufferFromFile(dir.File("late.wav"), desc);
  EXPECT_EQ(reads.back(), "late.wav");
  EXPECT_THROW(device->CreateSoundBufferFromFile(dir.File("none.wav"), desc), PlatformError);
}

// The null back-end mixes in real time, as a sound card's does. Once no sound plays, the device
// rests; a sound played then wakes it and plays to its end; a looping sound keeps it awake.
TEST(OpenAlSoundSystemTest, AnOutputDeviceRestsWhileNothingPlaysAndWakesForTheNextSound) {
  testing::TempDir dir;
  testing::WriteTone(dir.File("short.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 22050, 1100);
  OpenAlSoundSystem real;
  auto device = real.DirectSoundCreate("");
  const BufferDesc desc{.Flags = kPlainFlags, .BufferBytes = 0, .Format = {}};
  auto one = device->CreateSoundBufferFromFile(dir.File("short.wav"), desc);
  auto loop = device->DuplicateSoundBuffer(*one);
  auto played_out = [&one] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (one->GetStatus() != 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return one->GetStatus() == 0;
  };
  for (bool looping : {false, true, false}) {
    if (looping) loop->Play(DSBPLAY_LOOPING);
    if (!looping) loop->Stop();
    one->Play(0);
    EXPECT_FALSE(real.CurrentContext()->resting());
    EXPECT_TRUE(played_out()) << looping;  // the device mixed it
    EXPECT_EQ(real.CurrentContext()->resting(), !looping);
  }
}

TEST(OpenAlSoundSystemTest, AMissingDeviceThrows) {
  OpenAlSoundSystem real;
  EXPECT_THROW(real.DirectSoundCreate("No Such Sound Device"), PlatformError);
  EXPECT_NO_THROW(real.DirectSoundCreate(""));  // the null back-end's device
  EXPECT_THROW(real.Render(10), PlatformError);
}

}  // namespace
}  // namespace veltro::platform::desktop
