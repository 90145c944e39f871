#include <gtest/gtest.h>

#include "platform/platform_error.h"
#include "sound/sound_units.h"
#include "sound_fixture.h"

namespace veltro::testing {
namespace {

class ParametersTest : public SoundTest {
 protected:
  void SetUp() override {
    Started();
    AddWav("tone.wav");
    AddWav("ping.wav");
    handle = Play("tone.wav");
    ASSERT_GT(handle, 0);
  }
  int16_t handle = 0;
};

TEST_F(ParametersTest, WavVolumePanAndFrequency) {
  sound->SetVolume(handle, 300);
  EXPECT_EQ(BufferOf(handle)->volume, 0);
  sound->SetVolume(handle, -12000);
  EXPECT_EQ(BufferOf(handle)->volume, -10000);
  sound->SetPan(handle, -7000);
  EXPECT_EQ(BufferOf(handle)->pan, -7000);

  int32_t frequency = 96000;
  sound->SetFrequency(handle, frequency);
  EXPECT_EQ(frequency, 88200);
  EXPECT_EQ(BufferOf(handle)->frequency, 88200);
  frequency = 0;
  sound->SetFrequency(handle, frequency);
  EXPECT_EQ(BufferOf(handle)->frequency, 0);
  EXPECT_EQ(sound->GetFrequency(handle), 22050);

  BufferOf(handle)->position = 500;
  sound->SetStartPosition(handle);
  EXPECT_EQ(BufferOf(handle)->position, 0);
  EXPECT_TRUE(BufferOf(handle)->playing);
}

TEST_F(ParametersTest, StreamHandlesAndBadHandlesNeverTouchAWavBuffer) {
  size_t calls = dx.log.calls.size();
  int32_t frequency = 44100;
  for (int16_t index : {int16_t{0}, int16_t{-5}, int16_t{57}, int16_t{105}, int16_t{150},
                        int16_t{205}, int16_t{300}, int16_t{32767}}) {
    sound->SetVolume(index, -100);
    sound->SetPan(index, 100);
    sound->SetFrequency(index, frequency);
    EXPECT_EQ(sound->GetFrequency(index), 0);
  }
  EXPECT_EQ(frequency, 44100);  // only the WAV cap changes the caller's value
  EXPECT_EQ(dx.log.calls.size(), calls);
  EXPECT_TRUE(ui.boxes.empty());

  EXPECT_THROW(sound->SetStartPosition(57), platform::PlatformError);
  EXPECT_THROW(sound->SetStartPosition(-1), platform::PlatformError);
  EXPECT_THROW(sound->SetStartPosition(150), platform::PlatformError);
}

TEST(SoundUnits, StreamConversions) {
  EXPECT_EQ(sound::OggVolumeLevel(-2500), 50);
  EXPECT_EQ(sound::OggVolumeLevel(-25), 100);  // 99.5 rounds to the even 100
  EXPECT_EQ(sound::OggVolumeLevel(-75), 98);   // 98.5 rounds to the even 98
  EXPECT_EQ(sound::OggVolumeLevel(-6000), 0);
  EXPECT_EQ(sound::OggVolumeLevel(500), 100);
  EXPECT_EQ(sound::OggPanLevel(-7000), -50);
  EXPECT_EQ(sound::OggPanLevel(250), 2);  // 2.5 rounds to the even 2
  EXPECT_EQ(sound::ClampStreamPan(9000), 5000);
  EXPECT_FLOAT_EQ(sound::Mp3Rate(22050), 1.0f);
  EXPECT_FLOAT_EQ(sound::Mp3Rate(44100), 2.0f);
  EXPECT_FLOAT_EQ(sound::Mp3Rate(11025), 0.5f);
  EXPECT_EQ(sound::AlignStartPosition(1003), 1000);
  EXPECT_EQ(sound::AlignStartPosition(-3), -3);
  EXPECT_EQ(sound::ClampWavVolume(-32768), -10000);
}

TEST_F(ParametersTest, ThreeDPositionsAndListener) {
  AddWav("buzz.wav");
  int16_t spatial = Play("buzz.wav", 1024);
  auto* three_d = dynamic_cast<Fake3DBuffer*>(sound->WavSlotAt(spatial).DS3DBuffer.get());
  ASSERT_NE(three_d, nullptr);
  sound->SetPosition(spatial, 1, 2, 3, 1);
  EXPECT_FLOAT_EQ(three_d->position.x, 100);
  EXPECT_FLOAT_EQ(three_d->position.y, 300);
  EXPECT_FLOAT_EQ(three_d->position.z, 200);
  EXPECT_EQ(three_d->position_apply, 1);
  EXPECT_EQ(three_d->min_distance, 100);

  // A plain slot, an empty one or one outside the table: no position, no error.
  int positions = dx.log.Count("SetPosition3D");
  sound->SetPosition(handle, 1, 1, 1, 0);
  sound->SetPosition(99, 1, 1, 1, 0);
  sound->SetPosition(500, 1, 1, 1, 0);
  EXPECT_EQ(dx.log.Count("SetPosition3D"), positions);

  sound->ListenerPosition(0.5f, 0, 0);
  EXPECT_FLOAT_EQ(dx.listener->position.x, 50);
  sound->SetPlayersOrientation();
  EXPECT_FLOAT_EQ(dx.listener->front.x, -1);
  EXPECT_FLOAT_EQ(dx.listener->top.y, 1);
  dx.log.failing.insert("ListenerSetPosition");
  EXPECT_THROW(sound->ListenerPosition(1, 1, 1), platform::PlatformError);
}

TEST_F(ParametersTest, DeleteSoundVariants) {
  int16_t index = 0;
  sound->DeleteSound(index);
  EXPECT_EQ(index, 0);
  index = 999;
  sound->DeleteSound(index);
  sound->DeleteSound2(index);
  EXPECT_EQ(index, 999);

  index = handle;
  sound->DeleteSound(index);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(sound->WavSlotAt(handle).DSBuffer, nullptr);
  EXPECT_EQ(sound->WavSlotAt(handle).SlotFile, "");
  EXPECT_EQ(dx.LiveBuffers(), 0);
  EXPECT_EQ(dx.log.Count("Stop"), 1);

  for (int16_t stream : {int16_t{103}, int16_t{205}, int16_t{230}, int16_t{-7}}) {
    index = stream;
    sound->DeleteSound(index);
    EXPECT_EQ(index, 0);
    index = stream;
    sound->DeleteSound2(index);
    EXPECT_EQ(index, 0);
  }
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ParametersTest, ResetKeepsWavSlotsAndShutdownFreesThem) {
  int16_t other = Play("ping.wav", 2);
  sound->ResetSounds();
  EXPECT_EQ(ogg.shutdowns, 1);
  EXPECT_EQ(dx.log.Count("DirectSoundCreate"), 2);
  EXPECT_EQ(sound->WavSlotAt(handle).SlotFile, "TONE.WAV");
  EXPECT_EQ(dx.LiveBuffers(), 2);
  EXPECT_TRUE(sound->Timer1Enabled());

  ogg.log.failing.insert("ShutdownOgg");
  sound->ShutdownForm1();
  EXPECT_EQ(sound->WavSlotAt(other).DSBuffer, nullptr);
  EXPECT_EQ(dx.LiveBuffers(), 0);
  int updates = ogg.updates;
  for (int i = 0; i < 30; ++i) ui.DoEvents();
  EXPECT_EQ(ogg.updates, updates);  // the library is no longer pumped

  EXPECT_THROW(sound->Form_Unload(), platform::ProgramEnded);
  EXPECT_TRUE(ui.ended);
}

TEST_F(ParametersTest, ResetPassesALibraryFailureOn) {
  ogg.log.failing.insert("ShutdownOgg");
  EXPECT_THROW(sound->ResetSounds(), platform::PlatformError);
}

}  // namespace
}  // namespace veltro::testing
