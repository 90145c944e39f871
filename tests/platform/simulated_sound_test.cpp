#include "platform/headless/simulated_sound.h"

#include <gtest/gtest.h>

#include "platform/platform_error.h"
#include "support/audio_file_fixtures.h"

namespace veltro::platform::headless {
namespace {

constexpr int32_t kPlainFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN;

class SimulatedSoundTest : public ::testing::Test {
 protected:
  SimulatedSoundTest() {
    // One second of mono 16-bit sound at 22050 Hz: 44100 bytes.
    testing::WriteTone(dir_.File("second.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 22050, 22050);
  }
  std::shared_ptr<SoundBuffer> Load(const std::string& name, int32_t flags = kPlainFlags) {
    BufferDesc desc;
    desc.Flags = flags;
    return device_->CreateSoundBufferFromFile(dir_.File(name), desc);
  }
  // Plays on for `still_playing` seconds, then checks that `then` more seconds end the sound.
  void ExpectEndsAfter(SoundBuffer& buffer, double still_playing, double then) {
    clock_.Advance(still_playing);
    EXPECT_NE(buffer.GetStatus() & DSBSTATUS_PLAYING, 0);
    clock_.Advance(then);
    EXPECT_EQ(buffer.GetStatus(), 0);
  }

  testing::TempDir dir_;
  VirtualClock clock_;
  SimulatedSoundSystem system_{clock_};
  std::shared_ptr<SoundDevice> device_ = system_.DirectSoundCreate("");
};

TEST_F(SimulatedSoundTest, APlayOnceSoundEndsExactlyAfterItsLengthAtItsRateALoopPlaysOn) {
  auto buffer = Load("second.wav");
  EXPECT_EQ(buffer->GetFrequency(), 22050);
  buffer->Play(0);
  EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING);
  ExpectEndsAfter(*buffer, 0.999, 0.001);

  // At twice the rate it lasts half as long; from the middle, a quarter.
  buffer->SetFrequency(44100);
  buffer->SetCurrentPosition(22050);
  buffer->Play(0);
  ExpectEndsAfter(*buffer, 0.24, 0.01);
  buffer->SetFrequency(0);  // back to the data's own rate
  EXPECT_EQ(buffer->GetFrequency(), 22050);

  buffer->Play(0);
  clock_.Advance(0.5);          // half played at 22050
  buffer->SetFrequency(11025);  // the other half now lasts a whole second
  ExpectEndsAfter(*buffer, 0.99, 0.02);

  buffer->SetFrequency(0);
  buffer->Play(DSBPLAY_LOOPING);
  clock_.Advance(10.25);
  EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  buffer->Stop();
  EXPECT_EQ(buffer->GetStatus(), 0);
  auto& simulated = dynamic_cast<SimulatedSoundBuffer&>(*buffer);
  EXPECT_EQ(simulated.CurrentPosition(), 11024);  // a quarter of the way in, frame aligned
  clock_.Advance(5);
  buffer->Play(0);  // resumes from where it stopped: three quarters left
  ExpectEndsAfter(*buffer, 0.74, 0.02);
  EXPECT_EQ(simulated.CurrentPosition(), 0);  // a finished sound next plays from the start
}

TEST_F(SimulatedSoundTest, AMissingDeviceThrows) {
  system_.SetDeviceMissing(true);
  EXPECT_THROW(system_.DirectSoundCreate(""), PlatformError);
}

}  // namespace
}  // namespace veltro::platform::headless
