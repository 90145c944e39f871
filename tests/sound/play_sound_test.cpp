// SPDX-License-Identifier: GPL-3.0-or-later
#include <set>

#include "sound_fixture.h"

namespace veltro::testing {
namespace {

class PlaySoundTest : public SoundTest {
 protected:
  void SetUp() override {
    ui.folder.Write("sounds.ini", "SOUND BUFFERS=20");
    Started();
    for (const char* name : {"click.wav", "ding.wav", "boom1.wav", "boom2.wav", "boom3.wav"}) {
      AddWav(name);
    }
  }
  // Seeds the generator so that the next slot search starts at `slot` (its first pick is
  // slot + 1): the search starts at 1 + the next random number times the 20 slots.
  void StartAt(int slot) {
    for (float seed = 0;; ++seed) {
      platform::Environment probe = ui.environment;
      probe.SeedRandom(seed);
      if (static_cast<int>(probe.Random() * 20) + 1 == slot) return ui.environment.SeedRandom(seed);
    }
  }
  // Fills the other slots with distinct sounds played with `flags`.
  void Fill(int count, int16_t flags = 0) {
    for (int i = 0; i < count; ++i) {
      AddWav("fill" + std::to_string(i) + ".wav");
      EXPECT_GT(Play("fill" + std::to_string(i) + ".wav", flags), 0);
    }
  }
  int Creates() const { return dx.log.Count("CreateSoundBufferFromFile"); }
};

TEST_F(PlaySoundTest, BlankNamesSpeechPrefixesAndStreams) {
  for (const char* name : {"", "   ", "#hello", "##again"}) EXPECT_EQ(Play(name), 0) << name;
  EXPECT_EQ(speech.said, (std::vector<std::string>{"hello|0", "<stop all>", "again|0"}));
  EXPECT_EQ(Creates(), 0);
  EXPECT_EQ(Play("song.mp3"), 0);  // streams are not played by this engine yet
}

TEST_F(PlaySoundTest, WildcardsPickANumberedVariantOrAreReported) {
  std::set<std::string> heard;
  for (int i = 0; i < 100; ++i) {
    heard.insert(sound->WavSlotAt(Play("boom*3.wav")).SlotFile);
    FinishAll();
  }
  EXPECT_EQ(heard, (std::set<std::string>{"BOOM1.WAV", "BOOM2.WAV", "BOOM3.WAV"}));
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(sound->WavSlotAt(Play("boom*001.wav")).SlotFile, "BOOM1.WAV");
    FinishAll();
  }
  for (std::string bad : {"boom*.wav", "boom*1234.wav"}) {
    ui.dialogs.ClearBoxes();
    EXPECT_EQ(Play(bad), 0);
    ASSERT_EQ(ui.dialogs.boxes().size(), 1u);
    EXPECT_EQ(ui.dialogs.boxes()[0].text,
              "Wildcard wave file must have 1 to 3 digit number after asterisk. File: " + bad);
    EXPECT_EQ(ui.dialogs.boxes()[0].title, "Error in PlaySound");
  }
  AddWav("boom*3");  // digits up to the end of the name: used as it stands
  EXPECT_EQ(sound->WavSlotAt(Play("boom*3")).SlotFile, "BOOM*3");
}

TEST_F(PlaySoundTest, CachedSoundsAreCopiedWhileBusyAndRestartedWhenIdle) {
  int16_t first = Play("click.wav");
  int16_t second = Play("click.wav");
  ASSERT_GT(first, 0);
  EXPECT_NE(first, second);
  EXPECT_EQ(BufferOf(second)->source, "copy of " + app_path + "click.wav");
  FinishAll();
  int16_t third = Play("click.wav");
  EXPECT_EQ(third, std::min(first, second));
  EXPECT_EQ(dx.LiveBuffers(), 2);
  for (int i = 0; i < 10; ++i) {
    FinishAll();
    Play("click.wav");
  }
  EXPECT_EQ(Creates(), 1);  // the file is never opened again
  EXPECT_EQ(sound->NextSlot(), third);

  dx.log.failing.insert("DuplicateSoundBuffer");  // a refused copy loads the file
  EXPECT_NE(Play("click.wav"), third);
  EXPECT_EQ(Creates(), 2);
}

TEST_F(PlaySoundTest, RestartCopyPrepareAndSingleInstanceBits) {
  int16_t handle = Play("ding.wav");
  EXPECT_EQ(Play("ding.wav", 32, 400), handle);  // restarted in place
  EXPECT_EQ(BufferOf(handle)->plays, 2);
  EXPECT_EQ(BufferOf(handle)->position(), 400);
  EXPECT_EQ(Play("ding.wav", 2048), 0);  // still playing: left alone
  EXPECT_TRUE(BufferOf(handle)->playing());
  FinishAll();
  EXPECT_NE(Play("ding.wav", 1), handle);  // idle, but bit 1 asks for a copy
  EXPECT_EQ(dx.log.Count("DuplicateSoundBuffer"), 1);
  EXPECT_EQ(dx.log.Count("Stop"), 0);

  int16_t volume = 0, pan = -300, flags = 4 + 8;
  int32_t frequency = -1, start = 1003;
  int16_t prepared = sound->PlaySound("click.wav", volume, frequency, pan, start, flags);
  EXPECT_EQ(start, 1000);
  EXPECT_FALSE(BufferOf(prepared)->playing());
  EXPECT_EQ(BufferOf(prepared)->position(), 1000);
  EXPECT_EQ(BufferOf(prepared)->pan(), -300);
  int32_t from = 7;
  sound->PlayOpenedSound(prepared, from, 8);
  EXPECT_EQ(from, 4);
  EXPECT_TRUE(BufferOf(prepared)->looping());
}

TEST_F(PlaySoundTest, VolumeAndStartPositionAreWrittenBack) {
  int16_t volume = 500, pan = 0, flags = 0;
  int32_t frequency = 0, start = -3;
  int16_t handle = sound->PlaySound("click.wav", volume, frequency, pan, start, flags);
  EXPECT_EQ(volume, 0);
  EXPECT_EQ(start, -3);
  FinishAll();
  volume = -20000;
  EXPECT_EQ(sound->PlaySound("click.wav", volume, frequency, pan, start, flags), handle);
  EXPECT_EQ(volume, -10000);
  EXPECT_EQ(BufferOf(handle)->volume(), -10000);
  FinishAll();
  int32_t rate = 30000;  // frequency -1 keeps a rate set earlier on a slot restarted in place
  sound->SetFrequency(handle, rate);
  frequency = -1;
  EXPECT_EQ(sound->PlaySound("click.wav", volume, frequency, pan, start, flags), handle);
  EXPECT_EQ(BufferOf(handle)->GetFrequency(), 30000);
  EXPECT_EQ(dx.log.Count("SetFrequency"), 1);
}

TEST_F(PlaySoundTest, ThreeDSoundsKeepTheirOwnSlotsConesAndPositions) {
  int16_t plain = Play("ding.wav");
  FinishAll();
  int16_t spatial = Play("ding.wav", 1024 + 4096);
  EXPECT_NE(spatial, plain);
  EXPECT_EQ(Creates(), 2);
  EXPECT_EQ(Spatial(spatial).inside_cone_degrees(), 0);
  EXPECT_EQ(Spatial(spatial).min_distance(), 1);  // only copies get a minimum distance here
  int16_t copy = Play("ding.wav", 1024 + 4096);   // the first still plays
  EXPECT_EQ(Spatial(copy).min_distance(), 100);
  EXPECT_EQ(Spatial(copy).inside_cone_degrees(), 0);
  EXPECT_EQ(dx.log.Count("SetPan"), 1);                       // only the plain sound got a pan
  sound->SetPosition(copy, 1, 2, 3, 1);                       // deferred: kept, not applied
  EXPECT_FLOAT_EQ(Spatial(copy).deferred_position().y, 300);  // y and z swap, in hundreds
  EXPECT_FLOAT_EQ(Spatial(copy).deferred_position().z, 200);
  for (int index : {int{plain}, 99, 500}) sound->SetPosition(index, 1, 1, 1, 0);
  EXPECT_FLOAT_EQ(Spatial(copy).position().x, 0);
}

TEST_F(PlaySoundTest, SlotSearchNeverCutsOffAPlayingOrClassThreeSound) {
  StartAt(7);
  EXPECT_EQ(Play("click.wav"), 8);
  Fill(19);
  AddWav("extra.wav");
  EXPECT_EQ(Play("extra.wav"), 0);  // all playing
  EXPECT_EQ(dx.LiveBuffers(), 20);
  for (int slot = 1; slot <= 20; ++slot) {
    int16_t index = static_cast<int16_t>(slot);
    sound->DeleteSound(index);
  }
  Fill(19, 2);
  EXPECT_GT(Play("click.wav", 2), 0);
  FinishAll();
  EXPECT_EQ(Play("extra.wav"), 0);  // idle but all of class 3
  EXPECT_EQ(dx.LiveBuffers(), 20);
  EXPECT_EQ(dx.log.Count("Stop"), 20);  // only the deletes stopped anything
}

TEST_F(PlaySoundTest, EvictionFollowsTheReuseClasses) {
  StartAt(11);
  AddWav("one.wav");
  ASSERT_EQ(Play("one.wav", 128), 12);  // class 1, every other slot class 2; all idle
  Fill(19, 64);
  FinishAll();
  StartAt(1);
  EXPECT_EQ(Play("click.wav"), 12);
  EXPECT_EQ(sound->WavSlotAt(12).SlotMode, 0);
}

TEST_F(PlaySoundTest, IdleClassMinusOneSlotsMoveTheSearchStart) {
  AddWav("a.wav");
  AddWav("b.wav");
  StartAt(4);
  ASSERT_EQ(Play("a.wav", 256), 5);
  StartAt(8);
  ASSERT_EQ(Play("b.wav", 256), 9);
  Fill(18);
  FinishAll();
  StartAt(19);  // the scan passes both; the last one passed is where the search starts
  EXPECT_EQ(Play("click.wav"), 9);
  EXPECT_EQ(sound->WavSlotAt(5).SlotFile, "A.WAV");
}

TEST_F(PlaySoundTest, FailuresStopPlayAndDeleteSound) {
  dx.log.failing.insert("Play");
  int16_t ding = Play("ding.wav");  // a refused Play still returns the slot
  EXPECT_EQ(ding, sound->NextSlot());
  dx.log.failing.clear();
  ui.folder.Write("corrupt.wav");
  EXPECT_EQ(Play("corrupt.wav", 2), 0);  // the chosen slot stays empty with class 0
  EXPECT_EQ(sound->WavSlotAt(sound->NextSlot()).DSBuffer, nullptr);
  EXPECT_EQ(sound->WavSlotAt(sound->NextSlot()).SlotMode, 0);

  int16_t handle = Play("click.wav");
  sound->StopPlay(handle);
  EXPECT_FALSE(sound->IsPlaying(handle));
  EXPECT_EQ(Play("click.wav", 0, 8), handle);  // again after a stop: the same slot
  EXPECT_NO_THROW(sound->StopPlay(105));
  for (int16_t index : {-1, 130, 290}) EXPECT_THROW(sound->StopPlay(index), PlatformError);

  for (int16_t index : {0, 999, 103, 205, 230, -7}) {  // outside the table, or a stream
    int16_t deleted = index, deleted2 = index;
    sound->DeleteSound(deleted);
    sound->DeleteSound2(deleted2);
    EXPECT_EQ(deleted, index == 999 ? 999 : 0);
    EXPECT_EQ(deleted2, index == 999 ? 999 : 0);
  }
  sound->DeleteSound(handle);
  EXPECT_EQ(handle, 0);
  EXPECT_EQ(dx.LiveBuffers(), 1);
  EXPECT_TRUE(ui.dialogs.boxes().empty());
}

}  // namespace
}  // namespace veltro::testing
