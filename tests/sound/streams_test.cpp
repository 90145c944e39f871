// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's OGG and MP3 streams on the headless platform's real parts: the OGG library and
// the MP3 player over simulated voices in virtual time, with files the tests write.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "sound_fixture.h"

namespace veltro::testing {
namespace {

using platform::headless::SimulatedVoiceSettings;

constexpr int kRate = 22050;

// Two slots of each kind, and a one-second tone of each.
class StreamEngineTest : public SoundTest {
 protected:
  void SetUp() override {
    ui.folder.Write("sounds.ini", "OGG BUFFERS=2\rMP3 BUFFERS=2\r");
    WriteTone(app_path + "a.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1, kRate, kRate);
    WriteTone(app_path + "a.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 1, kRate, kRate);
    Started();
  }
  // Serves the queue for `seconds` of virtual time: the 10 ms timer pumps the OGG streams.
  void Wait(double seconds) {
    for (double end = ui.clock.Now() + seconds; ui.clock.Now() < end;) ui.events.DoEvents();
  }
};

// Each row puts the two slots of one kind in a state (F free, I idle, P playing) with a reuse
// class, and names the slot the next stream takes (0: none).
TEST_F(StreamEngineTest, SlotSearchGoesByLevelThenSlotAndNeverTakesAPlayingOrKeptStream) {
  struct Slot {
    char state;
    int16_t class_bit;  // 256 class -1, 0 class 0, 128 class 1, 64 class 2, 2 class 3
  };
  const struct {
    Slot first, second;
    int16_t expected;
  } rows[] = {
      {{'F', 0}, {'I', 256}, 1},   {{'I', 256}, {'F', 0}, 1},  {{'I', 0}, {'I', 256}, 2},
      {{'I', 128}, {'I', 0}, 2},   {{'I', 64}, {'P', 256}, 1}, {{'I', 2}, {'P', 0}, 0},
      {{'P', 256}, {'I', 128}, 2},
  };
  for (const char* file : {"a.ogg", "a.mp3"}) {
    const bool mp3 = file[2] == 'm';
    for (size_t row = 0; row < std::size(rows); ++row) {
      Started();
      // Every stream starts as playing: an OGG stream looping, an MP3 stopped before its end
      // (which counts as playing) or playing once. Idle OGG streams are then paused, idle MP3s
      // play to their end.
      for (const Slot& slot : {rows[row].first, rows[row].second}) {
        const int16_t held = mp3 ? (slot.state == 'P' ? 4 : 0) : 8;
        ASSERT_NE(Play(file, static_cast<int16_t>(slot.class_bit | held)), 0) << file << row;
      }
      for (int16_t s : {int16_t{1}, int16_t{2}}) {
        int16_t handle = static_cast<int16_t>((mp3 ? 200 : 100) + s);
        const char state = (s == 1 ? rows[row].first : rows[row].second).state;
        if (state == 'F') sound->DeleteSound(handle);
        if (state == 'I' && !mp3) sound->StopPlay(handle);
      }
      Wait(1.2);
      const size_t boxes = ui.dialogs.boxes().size();
      const int16_t expected = rows[row].expected == 0 ? 0 : (mp3 ? 200 : 100) + rows[row].expected;
      EXPECT_EQ(Play(file, 0), expected) << file << " row " << row;
      // Only the OGG player says that it ran out of slots.
      EXPECT_EQ(ui.dialogs.boxes().size(), boxes + (expected == 0 && !mp3 ? 1 : 0)) << file;
    }
  }
  EXPECT_EQ(ui.dialogs.boxes().back().text, "insufficient OGG Handles available.");
  EXPECT_EQ(ui.dialogs.boxes().back().title, "Error!");
}

TEST_F(StreamEngineTest, PrepareLoopAnd3DBits) {
  const int16_t paused = Play("a.ogg", 4);
  EXPECT_EQ(paused, 101);
  EXPECT_TRUE(sound->OggSlots()[1].OggPaused);
  EXPECT_FALSE(sound->IsPlaying(paused));
  sound->UnpauseOneOGG(paused);
  EXPECT_TRUE(sound->IsPlaying(paused));

  const int16_t looped = Play("a.ogg", 8 | 1024);
  EXPECT_EQ(ui.dialogs.boxes().back().text,
            "Standard OGG Files can not be 3d. File: " + app_path + "A.OGG");
  EXPECT_EQ(ui.dialogs.boxes().back().title, "Error.");
  const int16_t mp3 = Play("a.mp3", 8 | 1024);
  EXPECT_EQ(ui.dialogs.boxes().back().text,
            "Standard MP3 Files can not be 3d. File: " + app_path + "A.MP3");
  Wait(1.5);
  EXPECT_FALSE(sound->IsPlaying(paused));  // played once to its end
  EXPECT_TRUE(sound->IsPlaying(looped));
  EXPECT_FALSE(sound->IsPlaying(mp3));  // an MP3 never loops

  const int16_t stopped_mp3 = Play("a.mp3", 4);
  EXPECT_TRUE(sound->Mp3Slots()[stopped_mp3 - 200].Mp3Paused);
  Wait(1.5);
  EXPECT_TRUE(sound->IsPlaying(stopped_mp3));  // stopped before its end
  sound->UnpauseOneMP3(stopped_mp3);
  Wait(1.5);
  EXPECT_FALSE(sound->IsPlaying(stopped_mp3));
}

// Volume 0, pan 0 and frequency -1 leave the player's own settings without a call; other values
// reach it converted (a volume level of 0.5 dB steps, a pan of whole decibels, a rate).
TEST_F(StreamEngineTest, StartingValuesReachThePlayerOnlyWhenTheyChangeSomething) {
  const struct {
    const char* file;
    int16_t volume;
    int32_t frequency;
    int16_t pan;
    SimulatedVoiceSettings expected;
  } rows[] = {
      {"a.ogg", 0, -1, 0, {0, 0, 1, 0, 0, 0}},
      {"a.ogg", -625, 0, -7000, {-600, -5000, 1, 1, 1, 1}},
      {"a.ogg", -2500, 44100, 310, {-2500, 300, 2, 1, 1, 1}},
      // The player is made at full volume, centred, at normal speed: one call each.
      {"a.mp3", 0, -1, 0, {0, 0, 1, 2, 2, 2}},
      {"a.mp3", -625, 44100, -7000, {-625, -5000, 2, 3, 3, 3}},
  };
  for (const auto& row : rows) {
    Started();
    ASSERT_NE(Play(row.file, 0, 0, row.volume, row.frequency, row.pan), 0);
    const auto& made = row.file[2] == 'm' ? streams.direct_show.voices() : streams.voices;
    EXPECT_EQ(*made.made().back(), row.expected) << row.file << " " << row.volume;
  }
}

// Each stream plays to its real end: an MP3 whose length only its frames tell (VBR, no header
// frame), an OGG file of two chained parts; folders named with "\\" or "/". An MP3 may be named
// by its full path; an OGG name always lies under the program's folder.
TEST_F(StreamEngineTest, EveryStreamPlaysToItsEndFromAFolderNamedEitherWay) {
  std::filesystem::create_directory(app_path + "sub");
  WriteHeaderlessVbrMp3(app_path + "sub/vbr.mp3", 2 * kRate);
  WriteChainedOgg(app_path + "sub/chained.ogg", kRate, kRate, kRate / 2);
  const struct {
    std::string name;
    double seconds;  // 0: not played
  } rows[] = {{"sub\\vbr.mp3", 2.0},
              {"sub/vbr.mp3", 2.0},
              {"SUB\\CHAINED.OGG", 1.5},
              {app_path + "a.mp3", 1.0},
              {app_path + "a.ogg", 0}};
  for (const auto& row : rows) {
    const int16_t stream = Play(row.name, 0);
    ASSERT_EQ(stream != 0, row.seconds > 0) << row.name;
    if (stream == 0) continue;
    Wait(row.seconds - 0.15);
    EXPECT_TRUE(sound->IsPlaying(stream)) << row.name;
    Wait(0.3);
    EXPECT_FALSE(sound->IsPlaying(stream)) << row.name;
  }
}

TEST_F(StreamEngineTest, PauseResumeAndRelease) {
  const int16_t playing = Play("a.ogg", 8);
  int16_t ended = Play("a.ogg", 0);
  Wait(1.2);
  sound->PauseAllOGGSounds();
  EXPECT_FALSE(sound->IsPlaying(playing));
  EXPECT_TRUE(sound->OggSlots()[1].OggPaused);
  EXPECT_FALSE(sound->OggSlots()[2].OggPaused);
  sound->UnPauseAllOGGSounds();
  EXPECT_TRUE(sound->IsPlaying(playing));
  EXPECT_FALSE(sound->IsPlaying(ended));
  EXPECT_FALSE(sound->OggSlots()[1].OggPaused);
  // A stream that ended plays again from where it is put.
  int32_t start = 0;
  sound->PlayOpenedSound(ended, start, 0);
  EXPECT_TRUE(sound->IsPlaying(ended));
  sound->DeleteSound(ended);

  // Stopping a paused stream resumes it (the library toggles) and leaves it marked paused.
  sound->StopPlay(playing);
  sound->StopPlay(playing);
  EXPECT_TRUE(sound->IsPlaying(playing));
  EXPECT_TRUE(sound->OggSlots()[1].OggPaused);

  // An MP3 stopped part-way counts as playing: resuming all only forgets its pause.
  const int16_t mp3 = Play("a.mp3", 0);
  Wait(0.3);
  sound->PauseAllMP3Sounds();
  Wait(2);
  sound->UnPauseAllMP3Sounds();
  EXPECT_FALSE(sound->Mp3Slots()[1].Mp3Paused);
  Wait(2);
  EXPECT_TRUE(sound->IsPlaying(mp3));

  // Restarting a playing OGG stream from a byte position pauses it there until it is resumed.
  int16_t once = Play("a.ogg", 0);
  Wait(0.8);
  sound->PlayOpenedSound(once, start, 0);
  EXPECT_FALSE(sound->IsPlaying(once));
  sound->UnpauseOneOGG(once);
  Wait(0.5);
  EXPECT_TRUE(sound->IsPlaying(once));
  sound->DeleteSound(once);

  // A library that fails to stop a stream still leaves its slot free, pause and handle cleared.
  int16_t paused = Play("a.ogg", 4);
  const sound::OggSlot& slot = sound->OggSlots()[paused - 100];
  ogg.stop_throws = true;
  sound->DeleteSound(paused);
  ogg.stop_throws = false;
  EXPECT_EQ(std::tuple(paused, slot.OggHandle, slot.OggPaused), std::tuple(0, 0, false));
  sound->ShutdownForm1();
  EXPECT_EQ(ogg.OpenStreams(), 0u);

  sound::Sound fresh(ui.ui(), dx, ogg, streams.direct_show, speech,
                     app_path);  // not started: not quiet
  EXPECT_EQ(fresh.PlayOGGSound("B.OGG", 0, -1, 0, 0), 0);
  EXPECT_EQ(ui.dialogs.boxes().back().text, "File: B.OGG does not exist!");
  EXPECT_EQ(ui.dialogs.boxes().back().title, "File not found.");
}

// WAV slots 1 and 100, OGG slots 1 and 2 and MP3 slots 1 and 2 play; slot 3 of each is free.
// Each row names what one handle reaches: which calls refuse it (O UnpauseOneOGG, M
// UnpauseOneMP3, P SetStartPosition, S StopPlay), and the six sounds after StopPlay, DeleteSound
// and DeleteSound2 (+ playing, s stopped, x released). A handle plays if StopPlay stops a sound.
TEST_F(StreamEngineTest, EachHandleReachesTheSlotOfItsRangeOrNoneAndKillAllEndsEveryStream) {
  ui.folder.Write("sounds.ini", "OGG BUFFERS=3\rMP3 BUFFERS=3\r");
  AddWav("W.WAV");
  auto start = [&] {
    Started();
    int32_t from = 0;
    for (int16_t i : {1, 100}) sound->OpenSound(i, "W.WAV", 0), sound->PlayOpenedSound(i, from, 8);
    for (const char* file : {"a.ogg", "a.ogg", "a.mp3", "a.mp3"}) Play(file, 8);
  };
  auto sounds = [&] {
    const std::vector<sound::OggSlot>& oggs = sound->OggSlots();
    const std::vector<sound::Mp3Slot>& mp3s = sound->Mp3Slots();
    auto mark = [](bool released, bool going) { return released ? 'x' : going ? '+' : 's'; };
    std::string state;
    for (int16_t w : {1, 100}) state += mark(!sound->WavSlotAt(w).DSBuffer, sound->IsPlaying(w));
    for (int16_t o : {101, 102}) state += mark(oggs[o - 100].OggHandle == 0, sound->IsPlaying(o));
    for (int16_t m : {1, 2}) state += mark(!mp3s[m].Mp3Control, !mp3s[m].Mp3Paused);
    return state;
  };
  const struct {
    int16_t handle;
    std::string refused, stopped, deleted, deleted2;
  } rows[] = {
      {1, "", "s+++++", "x+++++", "x+++++"},
      {100, "", "+s++++", "+x++++", "+x++++"},
      {101, "P", "++s+++", "++x+++", "++s+++"},
      {102, "P", "+++s++", "+++x++", "+++s++"},
      {201, "OP", "++++s+", "++++x+", "++++++"},  // DeleteSound2 only forgets an MP3
      {202, "OP", "+++++s", "+++++x", "++++++"},
      {0, "P", "++++++", "++++++", "++++++"},  // WAV slot 0, empty; DeleteSound ignores 0
      {-1, "PS", "++++++", "++++++", "++++++"},
      {103, "P", "++++++", "++++++", "++++++"},
      {104, "OPS", "++++++", "++++++", "++++++"},
      {200, "OPS", "++++++", "++++++", "++++++"},
      {203, "OP", "++++++", "++++++", "++++++"},
      {204, "OMPS", "++++++", "++++++", "++++++"},
      {301, "OMPS", "++++++", "++++++", "++++++"},
      {999, "OMPS", "++++++", "++++++", "++++++"},  // the Delete calls leave 999 as it is
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.handle);
    start();
    EXPECT_EQ(sound->IsPlaying(row.handle), row.stopped != "++++++");
    EXPECT_EQ(sound->GetFrequency(row.handle), row.handle == 1 || row.handle == 100 ? kRate : 0);
    std::string refused;
    if (!platform::TryStep([&] { sound->UnpauseOneOGG(row.handle); })) refused += 'O';
    if (!platform::TryStep([&] { sound->UnpauseOneMP3(row.handle); })) refused += 'M';
    if (!platform::TryStep([&] { sound->SetStartPosition(row.handle); })) refused += 'P';
    if (!platform::TryStep([&] { sound->StopPlay(row.handle); })) refused += 'S';
    EXPECT_EQ(refused, row.refused);
    EXPECT_EQ(sounds(), row.stopped);
    for (bool second : {false, true}) {
      start();
      int16_t handle = row.handle;
      second ? sound->DeleteSound2(handle) : sound->DeleteSound(handle);
      EXPECT_EQ(handle, row.handle == 999 ? 999 : 0);
      EXPECT_EQ(sounds(), second ? row.deleted2 : row.deleted);
    }
  }
  // Killing every sound, or resetting the device, ends every stream; WAV sounds play on.
  for (bool reset : {false, true}) {
    start();
    const auto players = {sound->Mp3Slots()[1].Mp3Control, sound->Mp3Slots()[2].Mp3Control};
    reset ? sound->ResetSounds() : sound->KillAllSounds();
    ui.clock.Advance(0.5);
    EXPECT_EQ(ogg.OpenStreams(), 0u);
    for (const auto& player : players) EXPECT_EQ(player->CurrentPosition(), 0);
    EXPECT_EQ(sounds(), "++xxxx") << reset;
  }
}

}  // namespace
}  // namespace veltro::testing
