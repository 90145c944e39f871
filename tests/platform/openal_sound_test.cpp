#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <numeric>
#include <thread>

#include "platform/audio_file.h"
#include "platform/desktop/openal_sound_buffer.h"
#include "platform/desktop/openal_sound_system.h"
#include "platform/desktop/sound_conversions.h"
#include "platform/platform_error.h"
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
  // Renders `seconds` after letting the last change settle for `settle` seconds.
  Channels Render(double seconds, double settle = 0.05) {
    if (settle > 0) system_->Render(static_cast<int>(settle * kRenderRate));
    const std::vector<float> mixed = system_->Render(static_cast<int>(seconds * kRenderRate));
    Channels channels;
    for (size_t i = 0; i + 1 < mixed.size(); i += 2) {
      channels.left.push_back(mixed[i]);
      channels.right.push_back(mixed[i + 1]);
    }
    return channels;
  }

  testing::TempDir dir_;
  std::unique_ptr<OpenAlSoundSystem> system_ = OpenAlSoundSystem::Loopback(kRenderRate);
  std::shared_ptr<SoundDevice> device_ = system_->DirectSoundCreate("");
};

TEST_F(OpenAlSoundTest, FrequencyVolumeAndPanChangeWhatIsHeard) {
  auto tone = Tone(1.0);
  tone->Play(DSBPLAY_LOOPING);
  const Channels normal = Render(0.5);
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
}

TEST_F(OpenAlSoundTest, ALoopHasNoGapStopsInSilenceAndADuplicateSharesItsData) {
  auto loop = Tone(0.1);  // exactly 44 periods, looped across many loop points
  loop->Play(DSBPLAY_LOOPING);
  const Channels heard = Render(1.0, 0);
  int quiet_run = 0, longest_quiet_run = 0;
  for (size_t i = 2000; i < heard.left.size(); ++i) {
    quiet_run = std::abs(heard.left[i]) < 0.01f ? quiet_run + 1 : 0;
    longest_quiet_run = std::max(longest_quiet_run, quiet_run);
  }
  EXPECT_LE(longest_quiet_run, 2);
  loop->Stop();
  EXPECT_LT(Rms(Render(0.1, 0).left), 1e-4);
  // A duplicate plays the same OpenAL data, not a copy of it.
  EXPECT_EQ(dynamic_cast<OpenAlSoundBuffer&>(*device_->DuplicateSoundBuffer(*loop)).pcm()->id(),
            dynamic_cast<OpenAlSoundBuffer&>(*loop).pcm()->id());
}

TEST_F(OpenAlSoundTest, A3DSoundOnTheListenersRightIsLouderOnTheRight) {
  BufferDesc primary_desc;
  primary_desc.Flags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
  auto listener = device_->CreatePrimaryBuffer(primary_desc)->GetDirectSound3DListener();
  auto tone = Tone(1.0, k3DFlags);
  auto sound_3d = tone->GetDirectSound3DBuffer();
  sound_3d->SetMinDistance(100, DS3D_IMMEDIATE);
  sound_3d->SetPosition({100, 0, 0}, DS3D_IMMEDIATE);
  tone->Play(DSBPLAY_LOOPING);
  const Channels right = Render(0.5);
  EXPECT_GT(Db(Rms(right.right) / Rms(right.left)), 20);

  // Turned round to face -z, the listener has the sound on its left.
  listener->SetOrientation({0, 0, -1}, {0, 1, 0}, DS3D_IMMEDIATE);
  const Channels turned = Render(0.5);
  EXPECT_GT(Db(Rms(turned.left) / Rms(turned.right)), 20);
}

TEST(OpenAlSoundSystemTest, APreloadedSoundPlaysFirstTimeWithoutReadingItsFileAgain) {
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
  auto system = OpenAlSoundSystem::Loopback(kRenderRate, &files);
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
