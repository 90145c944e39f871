#include <gtest/gtest.h>

#include "sound_fixture.h"

namespace veltro::testing {
namespace {

TEST_F(SoundTest, CreationFlagsFollowDSFlagsAndSoftwareMixing) {
  sound::Sound& s = Started();
  AddWav("PLAIN.WAV");
  struct Case {
    int16_t flags;
    int32_t expected;
  };
  for (Case c : {Case{0, 226}, Case{8192, 32994}, Case{1024, 176}, Case{512, 224},
                 Case{1024 + 8192 + 512, 176}}) {
    ASSERT_EQ(s.OpenSound(3, "PLAIN.WAV", c.flags), 1);
    EXPECT_EQ(s.WavSlotAt(3).BufferDesc.Flags, c.expected) << c.flags;
    EXPECT_EQ(s.WavSlotAt(3).BufferDesc.Algorithm3D, "DS3DALG_DEFAULT");
  }
  ui.files[app_path + "sounds.ini"] = "SOFTWARE BUFFERS";
  s.DSInit();
  for (Case c : {Case{0, 234}, Case{8192, 33002}, Case{1024, 184}}) {
    ASSERT_EQ(s.OpenSound(3, "PLAIN.WAV", c.flags), 1);
    EXPECT_EQ(s.WavSlotAt(3).BufferDesc.Flags, c.expected) << c.flags;
  }
}

TEST_F(SoundTest, MissingCorruptAndOutOfRangeOpens) {
  sound::Sound& s = Started();
  AddWav("GOOD.WAV");
  ASSERT_EQ(s.OpenSound(4, "GOOD.WAV", 0), 1);
  auto before = s.WavSlotAt(4).DSBuffer;

  // Missing: nothing changes.
  EXPECT_EQ(s.OpenSound(4, "NONE.WAV", 0), 0);
  EXPECT_EQ(s.WavSlotAt(4).DSBuffer, before);

  // Present but refused by the device (empty or corrupt): the slot ends up empty.
  ui.files[app_path + "BAD.WAV"] = "";
  EXPECT_EQ(s.OpenSound(4, "BAD.WAV", 0), 0);
  EXPECT_EQ(s.WavSlotAt(4).DSBuffer, nullptr);

  EXPECT_EQ(s.OpenSound(101, "GOOD.WAV", 0), 0);
  EXPECT_EQ(s.OpenSound(-1, "GOOD.WAV", 0), 0);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SoundTest, FullPathsAndRelativeNames) {
  sound::Sound& s = Started();
  for (std::string path : {"/srv/sounds/A.WAV", "C:\\SOUNDS\\B.WAV", "\\SOUNDS\\C.WAV"}) {
    ui.files[path] = "";
    dx.readable[path] = {};
    EXPECT_EQ(s.OpenSound(1, path, 0), 1) << path;
  }
  AddWav("SUB/D.WAV");
  EXPECT_EQ(s.OpenSound(1, "SUB/D.WAV", 0), 1);
  EXPECT_EQ(BufferOf(1)->source, app_path + "SUB/D.WAV");
}

TEST_F(SoundTest, StereoSoundOpenedAs3DIsWarnedAbout) {
  sound::Sound& s = Started();
  AddWav("MONO.WAV", 1);
  AddWav("STEREO.WAV", 2);
  EXPECT_EQ(s.OpenSound(1, "MONO.WAV", 1024), 1);
  EXPECT_TRUE(ui.boxes.empty());

  EXPECT_EQ(s.OpenSound(2, "STEREO.WAV", 1024), 1);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text,
            "STEREO.WAV will not play.  Trying to use a stereo sound in a 3D buffer.");
  EXPECT_EQ(ui.boxes[0].title, "Warning ");
  EXPECT_EQ(ui.boxes[0].icon, platform::MessageBoxIcon::kInformation);

  // A refused 3D buffer keeps the default stereo format, so the warning shows and the slot is
  // empty.
  dx.log.failing.insert("CreateSoundBufferFromFile");
  EXPECT_EQ(s.OpenSound(1, "MONO.WAV", 1024), 0);
  EXPECT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(s.WavSlotAt(1).DSBuffer, nullptr);
}

TEST_F(SoundTest, OggFilesAreDecodedIntoABufferOfTheirOwnSize) {
  sound::Sound& s = Started();
  ui.files[app_path + "MUSIC.OGG"] = "";
  ogg.files[app_path + "MUSIC.OGG"] = {{1, 2, 3, 4, 5, 6, 7, 8}, 1, 11025};
  ASSERT_EQ(s.OpenSound(2, "MUSIC.OGG", 0), 1);
  const auto& slot = s.WavSlotAt(2);
  EXPECT_EQ(slot.BufferDesc.BufferBytes, 8);
  EXPECT_EQ(slot.WaveFormat.Channels, 1);
  EXPECT_EQ(slot.WaveFormat.SamplesPerSec, 11025);
  EXPECT_EQ(slot.WaveFormat.BlockAlign, 2);
  EXPECT_EQ(slot.WaveFormat.AvgBytesPerSec, 22050);
  EXPECT_EQ(BufferOf(2)->written, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(ogg.log.calls[ogg.log.calls.size() - 2],
            "DecodeOggFileToBuffer(" + app_path + "MUSIC.OGG,1)");
  EXPECT_EQ(ogg.log.calls.back(), "DecodeOggFileToBuffer(" + app_path + "MUSIC.OGG,9)");

  // A file the decoder cannot read: 0, and the old buffer is gone.
  ui.files[app_path + "BROKEN.OGG"] = "";
  EXPECT_EQ(s.OpenSound(2, "BROKEN.OGG", 0), 0);
  EXPECT_EQ(s.WavSlotAt(2).DSBuffer, nullptr);

  // An empty decode is refused before anything is allocated.
  ui.files[app_path + "EMPTY.OGG"] = "";
  ogg.files[app_path + "EMPTY.OGG"] = {};
  EXPECT_EQ(s.OpenSound(2, "EMPTY.OGG", 0), 0);
  ui.files[app_path + "ODD.OGG"] = "";
  ogg.files[app_path + "ODD.OGG"] = {{1, 2, 3, 4}, 2, 2000000000};  // an impossible rate
  EXPECT_EQ(s.OpenSound(2, "ODD.OGG", 0), 0);
  EXPECT_EQ(dx.log.Count("CreateSoundBuffer"), 1);

  // A lower-case name is not taken for OGG.
  ui.files[app_path + "music.ogg"] = "";
  EXPECT_EQ(s.OpenSound(2, "music.ogg", 0), 0);
  EXPECT_EQ(dx.log.Count("CreateSoundBufferFromFile"), 1);
}

}  // namespace
}  // namespace veltro::testing
