#include <gtest/gtest.h>

#include <set>

#include "platform/platform_error.h"
#include "sound_fixture.h"

namespace veltro::testing {
namespace {

class PlaySoundTest : public SoundTest {
 protected:
  void SetUp() override {
    ui.files[app_path + "sounds.ini"] = "SOUND BUFFERS=20";
    Started();
    for (const char* name : {"click.wav", "ding.wav", "boom1.wav", "boom2.wav", "boom3.wav"}) {
      AddWav(name);
    }
  }
  // A random number that makes the slot search start at `slot` (its first pick is slot + 1).
  void StartAt(int slot) { ui.random_values.push_back((slot - 1 + 0.5) / 20.0); }
  int Creates() const { return dx.log.Count("CreateSoundBufferFromFile"); }
};

TEST_F(PlaySoundTest, BlankNamesAndSpeechPrefixes) {
  size_t calls = dx.log.calls.size();
  EXPECT_EQ(Play(""), 0);
  EXPECT_EQ(Play("   "), 0);
  EXPECT_EQ(dx.log.calls.size(), calls);

  EXPECT_EQ(Play("#hello"), 0);
  EXPECT_EQ(Play("##again"), 0);
  EXPECT_EQ(speech.said, (std::vector<std::string>{"hello|0", "<stop all>", "again|0"}));
  EXPECT_EQ(Creates(), 0);
}

TEST_F(PlaySoundTest, WildcardsPickANumberedVariantOrAreReported) {
  std::set<std::string> heard;
  for (double r : {0.0, 0.4, 0.99}) {
    ui.random_values.push_back(r);
    heard.insert(sound->WavSlotAt(Play("boom*3.wav")).SlotFile);
    dx.FinishAll();
  }
  EXPECT_EQ(heard, (std::set<std::string>{"BOOM1.WAV", "BOOM2.WAV", "BOOM3.WAV"}));

  ui.random_values.push_back(0.7);
  EXPECT_EQ(sound->WavSlotAt(Play("boom*001.wav")).SlotFile, "BOOM1.WAV");
  ui.random_values.push_back(0.7);
  EXPECT_EQ(sound->WavSlotAt(Play("boom*0.wav")).SlotFile, "BOOM1.WAV");

  for (const char* bad : {"boom*.wav", "boom*1234.wav"}) {
    ui.boxes.clear();
    EXPECT_EQ(Play(bad), 0);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text,
              std::string("Wildcard wave file must have 1 to 3 digit number after asterisk. "
                          "File: ") +
                  bad);
    EXPECT_EQ(ui.boxes[0].title, "Error in PlaySound");
  }

  // Digits up to the end of the name: the name is used as it stands, asterisk included.
  AddWav("boom*3");
  EXPECT_EQ(sound->WavSlotAt(Play("boom*3")).SlotFile, "BOOM*3");
}

TEST_F(PlaySoundTest, StreamNamesAndDecodedOgg) {
  ui.files[app_path + "music.ogg"] = "";
  ogg.files[app_path + "music.ogg"] = {{0, 0, 0, 0}, 2, 22050};
  int16_t handle = Play("music.ogg!");
  ASSERT_GT(handle, 0);
  EXPECT_EQ(sound->WavSlotAt(handle).SlotFile, "MUSIC.OGG");
  // Streams are not played by this engine yet.
  EXPECT_EQ(Play("music.ogg"), 0);
  EXPECT_EQ(Play("song.mp3"), 0);
}

TEST_F(PlaySoundTest, CachedSoundsAreCopiedWhileBusyAndRestartedWhenIdle) {
  int16_t first = Play("click.wav");
  int16_t second = Play("click.wav");
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  EXPECT_NE(first, second);
  EXPECT_EQ(BufferOf(second)->source, "copy of " + app_path + "click.wav");
  EXPECT_EQ(sound->WavSlotAt(second).SlotFile, "CLICK.WAV");

  dx.FinishAll();
  int buffers = dx.LiveBuffers();
  int16_t third = Play("click.wav");
  EXPECT_EQ(third, std::min(first, second));
  EXPECT_EQ(dx.LiveBuffers(), buffers);

  dx.FinishAll();
  for (int i = 0; i < 10; ++i) {
    Play("click.wav");
    dx.FinishAll();
  }
  EXPECT_EQ(Creates(), 1);  // never read from disk again
  EXPECT_EQ(sound->NextSlot(), third);
}

TEST_F(PlaySoundTest, RestartCopyIdleAndSingleInstanceBits) {
  int16_t handle = Play("ding.wav");
  int16_t volume = 0, pan = 0, flags = 32;
  int32_t frequency = -1, start = 400;
  EXPECT_EQ(sound->PlaySound("ding.wav", volume, frequency, pan, start, flags), handle);
  EXPECT_EQ(BufferOf(handle)->plays, 2);
  EXPECT_EQ(BufferOf(handle)->position, 400);

  EXPECT_EQ(Play("ding.wav", 2048), 0);  // still playing: left alone
  EXPECT_TRUE(BufferOf(handle)->playing);
  EXPECT_EQ(dx.log.Count("Stop"), 0);

  dx.FinishAll();
  int16_t copy = Play("ding.wav", 1);  // idle, but bit 1 asks for a copy
  EXPECT_NE(copy, handle);
  EXPECT_EQ(dx.log.Count("DuplicateSoundBuffer"), 1);
  EXPECT_EQ(Creates(), 1);
}

TEST_F(PlaySoundTest, PreparedSoundIsSilentUntilPlayOpenedSound) {
  int16_t volume = 0, pan = -300, flags = 4 + 8;
  int32_t frequency = -1, start = 1003;
  int16_t handle = sound->PlaySound("click.wav", volume, frequency, pan, start, flags);
  ASSERT_GT(handle, 0);
  EXPECT_EQ(start, 1000);
  EXPECT_FALSE(BufferOf(handle)->playing);
  EXPECT_EQ(BufferOf(handle)->position, 1000);
  EXPECT_EQ(BufferOf(handle)->pan, -300);

  int32_t from = 7;
  sound->PlayOpenedSound(handle, from, 8);
  EXPECT_EQ(from, 4);
  EXPECT_TRUE(sound->IsPlaying(handle));
  EXPECT_TRUE(BufferOf(handle)->looping);
}

TEST_F(PlaySoundTest, VolumeAndStartPositionAreWrittenBack) {
  int16_t volume = 500, pan = 0, flags = 0;
  int32_t frequency = 0, start = -3;
  int16_t handle = sound->PlaySound("click.wav", volume, frequency, pan, start, flags);
  EXPECT_EQ(volume, 0);
  EXPECT_EQ(start, -3);
  EXPECT_EQ(BufferOf(handle)->volume, 0);
  dx.FinishAll();
  volume = -20000;
  EXPECT_EQ(sound->PlaySound("click.wav", volume, frequency, pan, start, flags), handle);
  EXPECT_EQ(volume, -10000);
  EXPECT_EQ(BufferOf(handle)->volume, -10000);

  // Frequency -1 keeps a rate set earlier on a slot restarted in place.
  dx.FinishAll();
  int32_t rate = 30000;
  sound->SetFrequency(handle, rate);
  frequency = -1;
  EXPECT_EQ(sound->PlaySound("click.wav", volume, frequency, pan, start, flags), handle);
  EXPECT_EQ(BufferOf(handle)->frequency, 30000);
  EXPECT_EQ(dx.log.Count("SetFrequency"), 1);
}

TEST_F(PlaySoundTest, ThreeDSoundsKeepTheirOwnSlotsAndCones) {
  int16_t plain = Play("ding.wav");
  dx.FinishAll();
  int16_t spatial = Play("ding.wav", 1024 + 4096);
  EXPECT_NE(spatial, plain);
  EXPECT_EQ(Creates(), 2);
  auto* loaded = dynamic_cast<Fake3DBuffer*>(sound->WavSlotAt(spatial).DS3DBuffer.get());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->cone_calls, 1);
  EXPECT_EQ(loaded->min_distance, 0);  // only copies get a minimum distance here
  EXPECT_EQ(BufferOf(spatial)->flags, 176);

  int16_t copy = Play("ding.wav", 1024 + 4096);  // the first still plays
  auto* copied = dynamic_cast<Fake3DBuffer*>(sound->WavSlotAt(copy).DS3DBuffer.get());
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(copied->min_distance, 100);
  EXPECT_EQ(copied->cone_calls, 2);
  EXPECT_EQ(dx.log.Count("SetPan"), 1);  // only the plain sound got a pan
}

TEST_F(PlaySoundTest, SlotSearchStartsAtRandomAndNeverCutsOffAPlayingSound) {
  StartAt(7);
  EXPECT_EQ(Play("click.wav"), 8);

  for (int i = 0; i < 19; ++i) {
    std::string name = "fill" + std::to_string(i) + ".wav";
    AddWav(name);
    EXPECT_GT(Play(name), 0);
  }
  AddWav("extra.wav");
  EXPECT_EQ(Play("extra.wav"), 0);
  EXPECT_EQ(dx.log.Count("Stop"), 0);
  EXPECT_EQ(dx.LiveBuffers(), 20);

  // Idle but all of class 3: still nothing.
  for (int slot = 1; slot <= 20; ++slot) {
    int16_t handle = static_cast<int16_t>(slot);
    sound->DeleteSound(handle);
  }
  for (int i = 0; i < 19; ++i) EXPECT_GT(Play("fill" + std::to_string(i) + ".wav", 2), 0);
  EXPECT_GT(Play("click.wav", 2), 0);
  dx.FinishAll();
  EXPECT_EQ(Play("extra.wav"), 0);
  EXPECT_EQ(dx.LiveBuffers(), 20);
}

TEST_F(PlaySoundTest, EvictionFollowsTheReuseClasses) {
  // Slot 12 holds a class 1 sound, every other slot class 2; all idle.
  StartAt(11);
  AddWav("one.wav");
  ASSERT_EQ(Play("one.wav", 128), 12);
  for (int i = 0; i < 19; ++i) {
    std::string name = "two" + std::to_string(i) + ".wav";
    AddWav(name);
    Play(name, 64);
  }
  dx.FinishAll();
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
  for (int i = 0; i < 18; ++i) {
    std::string name = "fill" + std::to_string(i) + ".wav";
    AddWav(name);
    Play(name);
  }
  dx.FinishAll();
  // The scan passes both; the last one passed (slot 9) is where the search starts.
  StartAt(19);
  EXPECT_EQ(Play("click.wav"), 9);
  EXPECT_EQ(sound->WavSlotAt(5).SlotFile, "A.WAV");
}

TEST_F(PlaySoundTest, FailuresOnTheWay) {
  // A refused copy falls back to loading the file.
  int16_t first = Play("click.wav");
  dx.log.failing.insert("DuplicateSoundBuffer");
  int16_t second = Play("click.wav");
  EXPECT_GT(second, 0);
  EXPECT_NE(second, first);
  EXPECT_EQ(Creates(), 2);

  // A refused Play still returns the slot.
  dx.log.failing.insert("Play");
  dx.FinishAll();
  int16_t ding = Play("ding.wav");
  EXPECT_GT(ding, 0);
  EXPECT_EQ(ding, sound->NextSlot());

  // A file the device cannot read: 0, and the chosen slot stays empty with class 0.
  ui.files[app_path + "corrupt.wav"] = "";
  EXPECT_EQ(Play("corrupt.wav", 2), 0);
  int16_t chosen = sound->NextSlot();
  EXPECT_EQ(sound->WavSlotAt(chosen).DSBuffer, nullptr);
  EXPECT_EQ(sound->WavSlotAt(chosen).SlotMode, 0);
  EXPECT_EQ(sound->WavSlotAt(chosen).SlotFile, "");
  EXPECT_EQ(Play("missing.wav"), 0);
}

TEST_F(PlaySoundTest, IsPlayingAndStopPlayByHandleRange) {
  int16_t handle = Play("click.wav");
  EXPECT_TRUE(sound->IsPlaying(handle));
  sound->StopPlay(handle);
  EXPECT_FALSE(sound->IsPlaying(handle));
  EXPECT_EQ(sound->WavSlotAt(handle).SlotFile, "CLICK.WAV");

  // Played again after a stop: the same slot, from the start position.
  int16_t volume = 0, pan = 0, flags = 0;
  int32_t frequency = -1, start = 8;
  EXPECT_EQ(sound->PlaySound("click.wav", volume, frequency, pan, start, flags), handle);
  EXPECT_EQ(BufferOf(handle)->position, 8);

  EXPECT_FALSE(sound->IsPlaying(-4));
  EXPECT_FALSE(sound->IsPlaying(150));
  EXPECT_FALSE(sound->IsPlaying(205));
  EXPECT_NO_THROW(sound->StopPlay(0));
  EXPECT_NO_THROW(sound->StopPlay(105));
  EXPECT_THROW(sound->StopPlay(-1), platform::PlatformError);
  EXPECT_THROW(sound->StopPlay(130), platform::PlatformError);  // OGG slot 30 of 20
  EXPECT_THROW(sound->StopPlay(290), platform::PlatformError);
}

}  // namespace
}  // namespace veltro::testing
