#include <AL/al.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <stdlib.h>

#include <cmath>
#include <numbers>

#include "audio_file_fixtures.h"
#include "platform/desktop/openal_sound_buffer.h"
#include "platform/desktop/openal_sound_system.h"
#include "platform/platform_error.h"

namespace veltro::platform::desktop {
namespace {

constexpr int kRenderRate = 44100;
constexpr int32_t kPlainFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN;
constexpr int32_t k3DFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRL3D;
constexpr double kToneAmplitude = 0.5;

// OpenAL Soft reads its back-end list once per process: the null back-end keeps every test of this
// program away from a sound card.
class NullDriverEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { setenv("ALSOFT_DRIVERS", "null", 1); }
};
const auto* const kNullDrivers = ::testing::AddGlobalTestEnvironment(new NullDriverEnvironment);

struct Channels {
  std::vector<float> left, right;
};

Channels Split(const std::vector<float>& interleaved) {
  Channels channels;
  for (size_t i = 0; i + 1 < interleaved.size(); i += 2) {
    channels.left.push_back(interleaved[i]);
    channels.right.push_back(interleaved[i + 1]);
  }
  return channels;
}

double Rms(const std::vector<float>& samples) {
  double sum = 0;
  for (float s : samples) sum += double{s} * s;
  return std::sqrt(sum / static_cast<double>(samples.size()));
}

double Db(double ratio) {
  return 20 * std::log10(ratio);
}

int ZeroCrossings(const std::vector<float>& samples) {
  int crossings = 0;
  for (size_t i = 1; i < samples.size(); ++i) {
    if ((samples[i - 1] < 0) != (samples[i] < 0)) ++crossings;
  }
  return crossings;
}

class OpenAlSoundTest : public ::testing::Test {
 protected:
  OpenAlSoundTest() : system_(OpenAlSoundSystem::Loopback(kRenderRate)) {
    device_ = system_->DirectSoundCreate("");
  }

  // A mono 16-bit sine of `hertz` lasting `seconds`, at `rate`, in a buffer made from a
  // description and written, as decoded OGG sounds are.
  std::shared_ptr<SoundBuffer> Tone(double hertz, double seconds, int rate = 22050,
                                    int32_t flags = kPlainFlags) {
    BufferDesc desc;
    desc.Flags = flags;
    desc.Format.Channels = 1;
    desc.Format.SamplesPerSec = rate;
    desc.Format.BlockAlign = 2;
    desc.Format.AvgBytesPerSec = rate * 2;
    const auto frames = static_cast<int32_t>(seconds * rate);
    desc.BufferBytes = frames * 2;
    std::vector<int16_t> pcm(static_cast<size_t>(frames));
    for (int32_t i = 0; i < frames; ++i) {
      pcm[static_cast<size_t>(i)] = static_cast<int16_t>(
          std::lround(32767 * kToneAmplitude * std::sin(2 * std::numbers::pi * hertz * i / rate)));
    }
    auto buffer = device_->CreateSoundBuffer(desc);
    buffer->WriteBuffer(0, desc.BufferBytes, pcm.data(), DSBLOCK_ENTIREBUFFER);
    return buffer;
  }

  Channels Render(double seconds) {
    return Split(system_->Render(static_cast<int>(seconds * kRenderRate)));
  }
  bool Playing(SoundBuffer& buffer) { return (buffer.GetStatus() & DSBSTATUS_PLAYING) != 0; }

  std::unique_ptr<OpenAlSoundSystem> system_;
  std::shared_ptr<SoundDevice> device_;
};

TEST_F(OpenAlSoundTest, FrequencyAndVolumeChangeWhatIsHeard) {
  auto tone = Tone(441, 1.0);
  tone->Play(DSBPLAY_LOOPING);
  Render(0.05);
  const Channels normal = Render(0.5);
  // Centred at full volume, each channel carries the sound at its full level, as DirectSound's.
  EXPECT_NEAR(Db(Rms(normal.left) / (kToneAmplitude / std::sqrt(2))), 0.0, 0.3);
  EXPECT_NEAR(Rms(normal.left), Rms(normal.right), 1e-4);

  tone->SetFrequency(44100);
  EXPECT_EQ(tone->GetFrequency(), 44100);
  Render(0.05);
  const Channels doubled = Render(0.5);
  EXPECT_NEAR(ZeroCrossings(doubled.left), 2.0 * ZeroCrossings(normal.left), 4);

  tone->SetFrequency(0);
  EXPECT_EQ(tone->GetFrequency(), 22050);
  tone->SetVolume(-600);
  Render(0.05);
  const Channels quieter = Render(0.5);
  EXPECT_NEAR(ZeroCrossings(quieter.left), ZeroCrossings(normal.left), 2);
  EXPECT_NEAR(Rms(quieter.left) / Rms(normal.left), 0.501, 0.01);

  EXPECT_THROW(tone->SetFrequency(50), PlatformError);
  EXPECT_THROW(tone->SetVolume(100), PlatformError);
  EXPECT_THROW(tone->SetPan(10001), PlatformError);
}

TEST_F(OpenAlSoundTest, PanAttenuatesTheFarChannelAndKeepsTheNearOneFull) {
  auto tone = Tone(441, 1.0);
  tone->Play(DSBPLAY_LOOPING);
  const double full = kToneAmplitude / std::sqrt(2);
  for (int pan : {-3000, -1000, 600, 3000, 5000, -6000, 7000}) {
    SCOPED_TRACE(pan);
    tone->SetPan(pan);
    Render(0.05);
    const Channels heard = Render(0.5);
    const std::vector<float>& near = pan < 0 ? heard.left : heard.right;
    const std::vector<float>& far = pan < 0 ? heard.right : heard.left;
    EXPECT_NEAR(Db(Rms(near) / full), 0.0, 0.3);
    EXPECT_NEAR(Db(Rms(far) / Rms(near)), -std::abs(pan) / 100.0, 0.5 + std::abs(pan) / 5000.0);
  }
  tone->SetPan(-10000);
  Render(0.05);
  const Channels hard_left = Render(0.5);
  EXPECT_LT(Db(Rms(hard_left.right) / Rms(hard_left.left)), -100);
}

TEST_F(OpenAlSoundTest, ALoopHasNoGapAndAOneShotEndsAfterItsLength) {
  // 0.1 s holding exactly 44 periods, looped across many loop points.
  auto loop = Tone(440, 0.1, 22050);
  loop->Play(DSBPLAY_LOOPING);
  const Channels heard = Render(1.0);
  int quiet_run = 0, longest_quiet_run = 0;
  for (size_t i = 2000; i < heard.left.size(); ++i) {
    quiet_run = std::abs(heard.left[i]) < 0.01f ? quiet_run + 1 : 0;
    longest_quiet_run = std::max(longest_quiet_run, quiet_run);
  }
  EXPECT_LE(longest_quiet_run, 2);
  EXPECT_EQ(loop->GetStatus(), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  loop->Stop();
  EXPECT_EQ(loop->GetStatus(), 0);
  EXPECT_LT(Rms(Render(0.1).left), 1e-4);

  auto once = Tone(440, 0.2);
  once->Play(0);
  EXPECT_EQ(once->GetStatus(), DSBSTATUS_PLAYING);
  Render(0.1);
  once->Stop();  // halfway; stopping keeps the position
  Render(0.3);
  once->Play(0);
  Render(0.09);
  EXPECT_TRUE(Playing(*once));
  Render(0.02);
  EXPECT_FALSE(Playing(*once));

  once->SetCurrentPosition(3307 * 2);  // three quarters in, once it has ended
  once->Play(0);
  Render(0.045);
  EXPECT_TRUE(Playing(*once));
  Render(0.01);
  EXPECT_FALSE(Playing(*once));
  EXPECT_THROW(once->SetCurrentPosition(8820), PlatformError);
  EXPECT_THROW(once->SetCurrentPosition(-3), PlatformError);
}

TEST_F(OpenAlSoundTest, ADuplicateSharesTheDataAndPlaysOnItsOwn) {
  auto original = Tone(441, 1.0);
  original->SetFrequency(11025);
  auto copy = device_->DuplicateSoundBuffer(*original);
  auto& al_original = dynamic_cast<OpenAlSoundBuffer&>(*original);
  auto& al_copy = dynamic_cast<OpenAlSoundBuffer&>(*copy);
  EXPECT_EQ(al_copy.pcm()->id(), al_original.pcm()->id());
  EXPECT_NE(al_copy.source(), al_original.source());
  EXPECT_EQ(copy->GetFrequency(), 11025);

  copy->Play(DSBPLAY_LOOPING);
  EXPECT_FALSE(Playing(*original));
  const double alone = Rms(Render(0.5).left);
  original->Play(DSBPLAY_LOOPING);
  EXPECT_TRUE(Playing(*original));
  EXPECT_TRUE(Playing(*copy));
  EXPECT_GT(alone, 0.1);
  EXPECT_GT(Rms(Render(0.5).left), 1.2 * alone);  // both are heard
  // The shared data cannot be rewritten under the other buffer.
  original->Stop();
  const std::vector<int16_t> zeros(10, 0);
  EXPECT_THROW(original->WriteBuffer(0, 20, zeros.data(), 0), PlatformError);
}

TEST_F(OpenAlSoundTest, A3DSoundOnTheListenersRightIsLouderOnTheRight) {
  BufferDesc primary_desc;
  primary_desc.Flags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
  auto primary = device_->CreatePrimaryBuffer(primary_desc);
  auto listener = primary->GetDirectSound3DListener();
  listener->SetRolloffFactor(1.0f, DS3D_IMMEDIATE);
  listener->SetDistanceFactor(3.4f, DS3D_IMMEDIATE);
  listener->SetPosition({0, 0, 0}, DS3D_IMMEDIATE);

  auto tone = Tone(441, 1.0, 22050, k3DFlags);
  EXPECT_THROW(tone->SetPan(0), PlatformError);
  auto sound_3d = tone->GetDirectSound3DBuffer();
  sound_3d->SetMinDistance(100, DS3D_IMMEDIATE);
  sound_3d->SetConeAngles(0, 360, DS3D_IMMEDIATE);
  sound_3d->SetPosition({100, 0, 0}, DS3D_IMMEDIATE);
  tone->Play(DSBPLAY_LOOPING);
  Render(0.05);
  const Channels right = Render(0.5);
  EXPECT_GT(Db(Rms(right.right) / Rms(right.left)), 20);

  // Turned round to face -z, the listener has the sound on its left.
  listener->SetOrientation({0, 0, -1}, {0, 1, 0}, DS3D_IMMEDIATE);
  Render(0.05);
  const Channels turned = Render(0.5);
  EXPECT_GT(Db(Rms(turned.left) / Rms(turned.right)), 20);

  // Further away than the minimum distance it is quieter.
  listener->SetOrientation({0, 0, 1}, {0, 1, 0}, DS3D_IMMEDIATE);
  sound_3d->SetPosition({400, 0, 0}, DS3D_IMMEDIATE);
  Render(0.05);
  EXPECT_LT(Rms(Render(0.5).right), 0.5 * Rms(right.right));
}

TEST(OpenAlDeviceTest, FilesLoadAndStereoIsRefusedFor3DAndAMissingDeviceThrows) {
  testing::TempDir dir;
  testing::WriteTone(dir.File("stereo.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 22050, 2205);
  auto system = OpenAlSoundSystem::Loopback();
  auto device = system->DirectSoundCreate("");
  BufferDesc desc;
  desc.Flags = kPlainFlags;
  auto stereo = device->CreateSoundBufferFromFile(dir.File("stereo.wav"), desc);
  EXPECT_EQ(stereo->GetFormat().Channels, 2);
  EXPECT_EQ(stereo->GetFrequency(), 22050);
  desc.Flags = k3DFlags;
  EXPECT_THROW(device->CreateSoundBufferFromFile(dir.File("stereo.wav"), desc), PlatformError);
  EXPECT_THROW(device->CreateSoundBufferFromFile(dir.File("missing.wav"), desc), PlatformError);

  OpenAlSoundSystem real;
  EXPECT_THROW(real.DirectSoundCreate("No Such Sound Device"), PlatformError);
  EXPECT_NO_THROW(real.DirectSoundCreate(""));  // the null back-end's device
  EXPECT_THROW(real.Render(10), PlatformError);
}

}  // namespace
}  // namespace veltro::platform::desktop
