#include "platform/headless/simulated_sound.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include "audio_file_fixtures.h"
#include "platform/platform_error.h"

namespace veltro::platform::headless {
namespace {

using testing::TempDir;
using testing::WriteTone;

constexpr int32_t kPlainFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN;

class SimulatedSoundTest : public ::testing::Test {
 protected:
  SimulatedSoundTest() {
    // One second of mono 16-bit sound at 22050 Hz: 44100 bytes.
    WriteTone(dir_.File("second.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 22050, 22050);
    WriteTone(dir_.File("stereo.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 22050, 100);
    device_ = system_.DirectSoundCreate("");
  }

  std::shared_ptr<SoundBuffer> Load(const std::string& name, int32_t flags = kPlainFlags) {
    BufferDesc desc;
    desc.Flags = flags;
    return device_->CreateSoundBufferFromFile(dir_.File(name), desc);
  }
  bool Playing(SoundBuffer& buffer) { return (buffer.GetStatus() & DSBSTATUS_PLAYING) != 0; }

  TempDir dir_;
  VirtualClock clock_;
  SimulatedSoundSystem system_{clock_};
  std::shared_ptr<SoundDevice> device_;
};

TEST_F(SimulatedSoundTest, APlayOnceSoundEndsExactlyAfterItsLengthAtItsRate) {
  auto buffer = Load("second.wav");
  EXPECT_EQ(buffer->GetFormat().SamplesPerSec, 22050);
  EXPECT_EQ(buffer->GetFrequency(), 22050);
  buffer->Play(0);
  EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING);
  clock_.Advance(0.999);
  EXPECT_TRUE(Playing(*buffer));
  clock_.Advance(0.001);
  EXPECT_FALSE(Playing(*buffer));

  // At twice the rate it lasts half as long; from the middle, a quarter.
  buffer->SetFrequency(44100);
  EXPECT_EQ(buffer->GetFrequency(), 44100);
  buffer->SetCurrentPosition(22050);
  buffer->Play(0);
  clock_.Advance(0.24);
  EXPECT_TRUE(Playing(*buffer));
  clock_.Advance(0.01);
  EXPECT_FALSE(Playing(*buffer));
  buffer->SetFrequency(0);  // back to the data's own rate
  EXPECT_EQ(buffer->GetFrequency(), 22050);
}

TEST_F(SimulatedSoundTest, FrequencyChangedMidPlayCountsFromThatMoment) {
  auto buffer = Load("second.wav");
  buffer->Play(0);
  clock_.Advance(0.5);          // half played at 22050
  buffer->SetFrequency(11025);  // the other half now lasts a whole second
  clock_.Advance(0.99);
  EXPECT_TRUE(Playing(*buffer));
  clock_.Advance(0.02);
  EXPECT_FALSE(Playing(*buffer));
}

TEST_F(SimulatedSoundTest, LoopingPlaysUntilStoppedAndStopKeepsThePosition) {
  auto looping = Load("second.wav");
  looping->Play(DSBPLAY_LOOPING);
  clock_.Advance(10.25);
  EXPECT_EQ(looping->GetStatus(), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  looping->Stop();
  EXPECT_EQ(looping->GetStatus(), 0);
  auto* simulated = dynamic_cast<SimulatedSoundBuffer*>(looping.get());
  EXPECT_EQ(simulated->CurrentPosition(), 11024);  // a quarter of the way in, frame aligned
  clock_.Advance(5);
  looping->Play(0);  // resumes from where it stopped: three quarters left
  clock_.Advance(0.74);
  EXPECT_TRUE(Playing(*looping));
  clock_.Advance(0.02);
  EXPECT_FALSE(Playing(*looping));
  EXPECT_EQ(simulated->CurrentPosition(), 0);  // a finished sound next plays from the start
}

TEST_F(SimulatedSoundTest, DuplicatesShareDataAndPlayOnTheirOwn) {
  auto original = Load("second.wav");
  original->SetFrequency(11025);
  auto copy = device_->DuplicateSoundBuffer(*original);
  EXPECT_EQ(copy->GetFrequency(), 11025);  // a copy starts with the original's settings
  EXPECT_EQ(dynamic_cast<SimulatedSoundBuffer&>(*copy).data(),
            dynamic_cast<SimulatedSoundBuffer&>(*original).data());
  copy->SetVolume(-600);
  copy->SetPan(-3000);
  copy->Play(0);
  EXPECT_TRUE(Playing(*copy));
  EXPECT_FALSE(Playing(*original));
  EXPECT_EQ(dynamic_cast<SimulatedSoundBuffer&>(*copy).volume(), -600);
  EXPECT_EQ(dynamic_cast<SimulatedSoundBuffer&>(*original).volume(), 0);
}

TEST_F(SimulatedSoundTest, RefusesWhatDirectSoundRefuses) {
  auto buffer = Load("second.wav");
  EXPECT_THROW(buffer->SetVolume(1), PlatformError);
  EXPECT_THROW(buffer->SetVolume(-10001), PlatformError);
  EXPECT_THROW(buffer->SetPan(-12000), PlatformError);
  EXPECT_THROW(buffer->SetFrequency(50), PlatformError);
  EXPECT_THROW(buffer->SetFrequency(200001), PlatformError);
  EXPECT_THROW(buffer->SetCurrentPosition(-3), PlatformError);
  EXPECT_THROW(buffer->SetCurrentPosition(44100), PlatformError);
  EXPECT_THROW(buffer->GetDirectSound3DBuffer(), PlatformError);  // not a 3D buffer
  EXPECT_THROW(Load("missing.wav"), PlatformError);
  const int32_t flags_3d = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRL3D;
  EXPECT_THROW(Load("stereo.wav", flags_3d), PlatformError);
  EXPECT_THROW(Load("second.wav", flags_3d)->SetPan(0), PlatformError);  // 3D has no pan
  system_.SetDeviceMissing(true);
  EXPECT_THROW(system_.DirectSoundCreate(""), PlatformError);
}

TEST_F(SimulatedSoundTest, BuffersFromADescriptionTakeWrittenDataAnd3DSettings) {
  BufferDesc desc;
  desc.Flags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRL3D;
  desc.Format.Channels = 1;
  desc.Format.BlockAlign = 2;
  desc.Format.SamplesPerSec = 8000;
  desc.BufferBytes = 8000;
  auto buffer = device_->CreateSoundBuffer(desc);
  const std::vector<uint8_t> data(8000, 7);
  buffer->WriteBuffer(0, 8000, data.data(), DSBLOCK_ENTIREBUFFER);
  EXPECT_EQ(dynamic_cast<SimulatedSoundBuffer&>(*buffer).data()->pcm, data);
  EXPECT_THROW(buffer->WriteBuffer(4000, 8000, data.data(), 0), PlatformError);

  auto sound_3d = buffer->GetDirectSound3DBuffer();
  sound_3d->SetPosition({1, 2, 3}, DS3D_IMMEDIATE);
  sound_3d->SetPosition({9, 9, 9}, DS3D_DEFERRED);
  sound_3d->SetMinDistance(100, DS3D_IMMEDIATE);
  const Simulated3DState& state = dynamic_cast<SimulatedSoundBuffer&>(*buffer).state_3d();
  EXPECT_EQ(state.position.z, 3);
  EXPECT_EQ(state.deferred_position.x, 9);
  EXPECT_EQ(state.min_distance, 100);

  buffer->Play(0);  // half a second at 8000 Hz
  clock_.Advance(0.5);
  EXPECT_FALSE(Playing(*buffer));
}

}  // namespace
}  // namespace veltro::platform::headless
