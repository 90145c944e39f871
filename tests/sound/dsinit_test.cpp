#include <gtest/gtest.h>

#include "sound_fixture.h"

namespace veltro::testing {
namespace {

const char kNoDevice[] = "Unable to initialize DirectSound - sound card may not be present";

TEST_F(SoundTest, StartUpOpensDeviceInOrderAndStartsOggLibrary) {
  sound::Sound& s = Started();
  EXPECT_EQ(dx.log.calls,
            (std::vector<std::string>{
                "DirectSoundCreate()", "SetCooperativeLevel(2)", "CreatePrimaryBuffer(17)",
                "PrimaryPlay(1)", "SetFormat(2,22050,4,88200)", "GetDirectSound3DListener()",
                "SetRolloffFactor(1.000000)", "SetDistanceFactor(3.400000)"}));
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_TRUE(s.Timer1Enabled());
  EXPECT_EQ(ogg.buffer_size, 5);

  // The 10 ms tick pumps the library.
  for (int i = 0; i < 30; ++i) ui.DoEvents();
  EXPECT_GT(ogg.updates, 0);
}

TEST_F(SoundTest, NoDeviceShowsTheMessageOncePerFailingStep) {
  dx.log.failing.insert("DirectSoundCreate");
  Started();
  ASSERT_EQ(ui.boxes.size(), 8u);
  for (const auto& box : ui.boxes) {
    EXPECT_EQ(box.text, kNoDevice);
    EXPECT_EQ(box.title, "Error");
    EXPECT_EQ(box.buttons, platform::MessageBoxButtons::kOk);
  }
  // Without a device nothing can be loaded, and that is not reported again.
  AddWav("click.wav");
  EXPECT_EQ(Play("click.wav"), 0);
  EXPECT_EQ(ui.boxes.size(), 8u);
}

TEST_F(SoundTest, ARefusedStepIsReportedAndTheOthersGoOn) {
  dx.log.failing.insert("SetCooperativeLevel");
  dx.log.failing.insert("SetRolloffFactor");
  Started();
  EXPECT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(dx.log.Count("SetDistanceFactor"), 1);
}

TEST_F(SoundTest, OggLibraryThatDoesNotStartLeavesTheTimerOff) {
  ogg.init_result = 0;
  sound::Sound& s = Started();
  EXPECT_FALSE(s.Timer1Enabled());
  EXPECT_EQ(ogg.log.Count("SetOggBufferSize"), 0);
  EXPECT_TRUE(ui.boxes.empty());

  ogg.log.failing.insert("InitOgg");
  ogg.init_result = 1;
  s.DSInit();
  EXPECT_FALSE(s.Timer1Enabled());
}

TEST_F(SoundTest, TimerTicksBeforeStartUpDoNotPumpTheLibrary) {
  sound = std::make_unique<sound::Sound>(ui, dx, ogg, speech, app_path);
  EXPECT_TRUE(sound->Timer1Enabled());
  for (int i = 0; i < 30; ++i) ui.DoEvents();
  EXPECT_EQ(ogg.updates, 0);
}

TEST_F(SoundTest, DSInitTwiceRenewsStreamSlotsButKeepsWavSlots) {
  sound::Sound& s = Started();
  AddWav("click.wav");
  int16_t handle = Play("click.wav");
  ASSERT_GT(handle, 0);
  ui.files[app_path + "sounds.ini"] = "OGG BUFFERS=5\rMP3 BUFFERS=0";
  s.DSInit();
  EXPECT_EQ(s.OggSlots().size(), 6u);
  EXPECT_EQ(s.Mp3Slots().size(), 1u);
  EXPECT_EQ(s.WavSlotAt(handle).SlotFile, "CLICK.WAV");
  EXPECT_NE(s.WavSlotAt(handle).DSBuffer, nullptr);
  EXPECT_EQ(dx.log.Count("DirectSoundCreate"), 2);
}

}  // namespace
}  // namespace veltro::testing
