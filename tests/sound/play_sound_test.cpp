// SPDX-License-Identifier: GPL-3.0-or-later
#include <map>
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
};

// Blank names and speech marks play nothing; "NAME*3" picks one of three numbered variants at
// random, and a wildcard without a 1- to 3-digit number is reported.
TEST_F(PlaySoundTest, NamesSpeechMarksAndWildcards) {
  for (const char* name : {"", "   ", "#hello", "##again", "none.mp3"}) EXPECT_EQ(Play(name), 0);
  EXPECT_EQ(speech.said, (std::vector<std::string>{"hello|0", "<stop all>", "again|0"}));
  EXPECT_EQ(dx.log.Count("CreateSoundBufferFromFile"), 0);
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
    EXPECT_EQ(Play(bad), 0);
    EXPECT_EQ(ui.dialogs.boxes().back().text,
              "Wildcard wave file must have 1 to 3 digit number after asterisk. File: " + bad);
    EXPECT_EQ(ui.dialogs.boxes().back().title, "Error in PlaySound");
  }
  EXPECT_EQ(ui.dialogs.boxes().size(), 2u);
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
  EXPECT_EQ(dx.log.Count("CreateSoundBufferFromFile"), 1);  // the file is never opened again
  EXPECT_EQ(sound->NextSlot(), third);

  dx.log.failing.insert("DuplicateSoundBuffer");  // a refused copy loads the file
  EXPECT_NE(Play("click.wav"), third);
  EXPECT_EQ(dx.log.Count("CreateSoundBufferFromFile"), 2);
}

TEST_F(PlaySoundTest, RestartCopyPrepareAndSingleInstanceBits) {
  int16_t handle = Play("ding.wav");
  EXPECT_EQ(Play("ding.wav", 32, 400), handle);  // restarted in place
  EXPECT_EQ(dx.log.Count("Play"), 2);
  EXPECT_EQ(BufferOf(handle)->CurrentPosition(), 400);
  EXPECT_EQ(Play("ding.wav", 2048), 0);  // still playing: left alone
  EXPECT_TRUE(BufferOf(handle)->playing());
  FinishAll();
  EXPECT_NE(Play("ding.wav", 1), handle);  // idle, but bit 1 asks for a copy
  EXPECT_EQ(dx.log.Count("DuplicateSoundBuffer"), 1);
  EXPECT_EQ(dx.log.Count("Stop"), 0);

  // Prepared in place: the volume and start position the buffer took are written back, and
  // frequency -1 keeps the rate set earlier.
  const int16_t click = Play("click.wav");
  int32_t rate = 30000;
  sound->SetFrequency(click, rate);
  FinishAll();
  int16_t volume = 500, pan = -300, flags = 4 + 8;
  int32_t frequency = -1, start = 1003;
  EXPECT_EQ(sound->PlaySound("click.wav", volume, frequency, pan, start, flags), click);
  EXPECT_EQ(std::make_pair(volume, start), std::make_pair(int16_t{0}, 1000));
  EXPECT_FALSE(BufferOf(click)->playing());
  EXPECT_EQ(BufferOf(click)->CurrentPosition(), 1000);
  EXPECT_EQ(BufferOf(click)->pan(), -300);
  EXPECT_EQ(BufferOf(click)->GetFrequency(), 30000);
  EXPECT_EQ(dx.log.Count("SetFrequency"), 1);
  int32_t from = 7;
  sound->PlayOpenedSound(click, from, 8);
  EXPECT_EQ(from, 4);
  EXPECT_TRUE(BufferOf(click)->looping());
  volume = -20000, start = -3, flags = 32;
  EXPECT_EQ(sound->PlaySound("click.wav", volume, frequency, pan, start, flags), click);
  EXPECT_EQ(std::make_pair(volume, start), std::make_pair(int16_t{-10000}, -3));
  EXPECT_EQ(BufferOf(click)->volume(), -10000);
}

TEST_F(PlaySoundTest, ThreeDSoundsKeepTheirOwnSlotsConesAndPositions) {
  int16_t plain = Play("ding.wav");
  FinishAll();
  int16_t spatial = Play("ding.wav", 1024 + 4096);
  EXPECT_NE(spatial, plain);
  EXPECT_EQ(dx.log.Count("CreateSoundBufferFromFile"), 2);
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

// Each row gives the 20 slots (P playing, F free, or idle of reuse class -, 0, 1, 2 or 3), the
// slot after which the search starts, and the slot a new sound takes (0: none). No other slot
// loses its sound.
TEST_F(PlaySoundTest, SlotSearchTakesAFreeSlotThenAnIdleOneByClassAndNeverAPlayingOne) {
  const struct {
    const char* slots;
    int start, expected;
  } rows[] = {
      {"PPPPPPP0FPPPPPPPPPPP", 7, 9},   // a free slot before an idle cached sound
      {"PPPPPPPPPPPPPPPPPPPP", 7, 0},   // all playing
      {"33333333333333333333", 7, 0},   // all kept
      {"22222222222122222222", 1, 12},  // the lowest class first
      {"0000-000-00000000000", 19, 9},  // idle class -1 slots: the last one passed is the start
  };
  const std::map<char, int16_t> flags = {{'P', 8},   {'F', 0},  {'-', 256}, {'0', 0},
                                         {'1', 128}, {'2', 64}, {'3', 2}};
  for (int slot = 1; slot <= 20; ++slot) AddWav(std::to_string(slot) + ".wav");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.slots);
    Started();
    for (int16_t slot = 1; slot <= 20; ++slot) {
      StartAt(20);  // every sound still plays: the first free slot is taken
      ASSERT_EQ(Play(std::to_string(slot) + ".wav", flags.at(row.slots[slot - 1])), slot);
    }
    for (int16_t slot = 1; slot <= 20; ++slot) {
      int16_t freed = slot;
      if (row.slots[slot - 1] == 'F') sound->DeleteSound(freed);
    }
    FinishAll();
    std::vector<std::shared_ptr<platform::SoundBuffer>> before;
    for (int16_t slot = 1; slot <= 20; ++slot) before.push_back(sound->WavSlotAt(slot).DSBuffer);
    StartAt(row.start);
    EXPECT_EQ(Play("click.wav"), row.expected);
    for (int16_t slot = 1; slot <= 20; ++slot) {
      if (slot != row.expected) {
        EXPECT_EQ(sound->WavSlotAt(slot).DSBuffer, before[slot - 1]) << slot;
      }
    }
  }
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
  EXPECT_EQ(Play("click.wav", 0, 8), handle);  // again after a stop: the same slot
  sound->DeleteSound(handle);
  EXPECT_EQ(dx.LiveBuffers(), 1);
  EXPECT_TRUE(ui.dialogs.boxes().empty());
}

}  // namespace
}  // namespace veltro::testing
