// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <fstream>

#include "sound/sound_units.h"
#include "sound_fixture.h"

namespace veltro::testing {
namespace {

TEST_F(SoundTest, CreationFlagsVolumePanAndFrequencyOfAWavSound) {
  sound::Sound& s = Started();
  AddWav("PLAIN.WAV");
  // clang-format off
  const std::tuple<int, int, bool> kCases[] = {{0, 226, false}, {8192, 32994, false},
      {1024, 176, false}, {512, 224, false}, {1024 + 8192 + 512, 176, false},
      {0, 234, true}, {8192, 33002, true}, {1024, 184, true}};
  // clang-format on
  for (auto [flags, expected, software] : kCases) {
    SCOPED_TRACE(flags);
    if (software) ui.folder.Write("sounds.ini", "SOFTWARE BUFFERS"), s.DSInit();
    ASSERT_EQ(s.OpenSound(3, "PLAIN.WAV", static_cast<int16_t>(flags)), 1);
    EXPECT_EQ(s.WavSlotAt(3).BufferDesc.Flags, expected);
  }

  // Volume, pan and frequency of a WAV sound, and handles that name no WAV sound.
  AddWav("tone.wav");
  int16_t handle = Play("tone.wav");
  sound->SetVolume(handle, 300);
  EXPECT_EQ(BufferOf(handle)->volume(), 0);
  sound->SetVolume(handle, -12000);
  EXPECT_EQ(BufferOf(handle)->volume(), -10000);
  sound->SetPan(handle, -7000);
  EXPECT_EQ(BufferOf(handle)->pan(), -7000);
  int32_t frequency = 96000;
  sound->SetFrequency(handle, frequency);
  EXPECT_EQ(frequency, 88200);
  EXPECT_EQ(BufferOf(handle)->GetFrequency(), 88200);
  frequency = 0;
  sound->SetFrequency(handle, frequency);
  EXPECT_EQ(sound->GetFrequency(handle), 22050);
  BufferOf(handle)->SetCurrentPosition(500);
  sound->SetStartPosition(handle);
  EXPECT_EQ(BufferOf(handle)->CurrentPosition(), 0);

  // Stream handles and bad handles never touch a WAV buffer.
  size_t calls = dx.log.calls.size();
  frequency = 44100;
  for (int16_t index : {0, -5, 57, 105, 150, 205, 300, 32767}) {
    sound->SetVolume(index, -100);
    sound->SetPan(index, 100);
    sound->SetFrequency(index, frequency);
  }
  EXPECT_EQ(frequency, 44100);
  EXPECT_EQ(dx.log.calls.size(), calls);
  EXPECT_TRUE(ui.dialogs.boxes().empty());
  sound->OpenSound(0, "tone.wav", 0);  // only OpenSound fills slot 0, and SetPan passes it by
  sound->SetPan(0, 100);
  EXPECT_EQ(BufferOf(0)->pan(), 0);

  EXPECT_EQ(sound::ClampStreamPan(9000), 5000);
  EXPECT_FLOAT_EQ(sound::Mp3Rate(44100), 2.0f);
  EXPECT_FLOAT_EQ(sound::Mp3Rate(11025), 0.5f);
}

TEST_F(SoundTest, BadFilesPathsOggFilesAndStereoIn3D) {
  sound::Sound& s = Started();
  AddWav("GOOD.WAV");
  ASSERT_EQ(s.OpenSound(4, "GOOD.WAV", 0), 1);
  auto before = s.WavSlotAt(4).DSBuffer;
  EXPECT_EQ(s.OpenSound(4, "NONE.WAV", 0), 0);  // missing: nothing changes
  EXPECT_EQ(s.WavSlotAt(4).DSBuffer, before);
  ui.folder.Write("BAD.WAV");  // refused by the device: the slot ends up empty
  EXPECT_EQ(s.OpenSound(4, "BAD.WAV", 0), 0);
  EXPECT_EQ(s.WavSlotAt(4).DSBuffer, nullptr);
  EXPECT_EQ(s.OpenSound(101, "GOOD.WAV", 0), 0);
  EXPECT_EQ(s.OpenSound(-1, "GOOD.WAV", 0), 0);
  EXPECT_TRUE(ui.dialogs.boxes().empty());

  // A name with a drive, or from the root, is taken as it stands (here: in the current folder,
  // apart from the absolute one); any other goes below the program folder.
  for (std::string path : {app_path + "A.WAV", std::string("C:\\SOUNDS\\B.WAV"),
                           std::string("\\SOUNDS\\C.WAV"), std::string("SUB/D.WAV")}) {
    std::string full = path == "SUB/D.WAV" ? app_path + path : path;
    if (full.starts_with('/'))
      ui.folder.Write(full);
    else
      std::ofstream(full).flush();
    s.OpenSound(1, path, 0);  // the device is asked for the file as named
    EXPECT_EQ(dx.log.calls.back(), "CreateSoundBufferFromFile(" + full + ")");
    if (!full.starts_with('/')) std::filesystem::remove(full);
  }

  // OGG files are decoded into a buffer of their own size, and play from it.
  WriteTone(app_path + "A.OGG", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1, 11025, 1000);
  ui.folder.Write("CORRUPT.OGG", "OggS not really");
  ASSERT_EQ(s.OpenSound(2, "A.OGG", 0), 1);
  EXPECT_EQ(s.WavSlotAt(2).WaveFormat.AvgBytesPerSec, 22050);
  EXPECT_EQ(BufferOf(2)->bytes(), 2000);
  EXPECT_EQ(s.OpenSound(2, "CORRUPT.OGG", 0), 0);
  ogg.claimed_rate = 2000000000;  // an impossible rate is refused before anything is allocated
  EXPECT_EQ(s.OpenSound(2, "A.OGG", 0), 0);
  EXPECT_EQ(dx.log.Count("CreateSoundBuffer"), 1);
  EXPECT_EQ(s.WavSlotAt(2).DSBuffer, nullptr);
  ogg.claimed_rate = 0;
  // Named with "!", an OGG sound is played from such a buffer: here it loops past its end.
  const int16_t hum = Play("a.ogg!", 8);
  EXPECT_EQ(BufferOf(hum)->source, "memory");
  FinishAll();
  EXPECT_TRUE(BufferOf(hum)->looping());
  EXPECT_EQ(Play("corrupt.ogg!"), 0);
  EXPECT_TRUE(ui.dialogs.boxes().empty());

  // A stereo sound in a 3D buffer is warned about, and refused by the device.
  AddWav("STEREO.WAV", 2);
  EXPECT_EQ(s.OpenSound(2, "STEREO.WAV", 0), 1);
  EXPECT_TRUE(ui.dialogs.boxes().empty());
  EXPECT_EQ(s.OpenSound(2, "STEREO.WAV", 1024), 0);
  ASSERT_EQ(ui.dialogs.boxes().size(), 1u);
  EXPECT_EQ(ui.dialogs.boxes()[0].text,
            "STEREO.WAV will not play.  Trying to use a stereo sound in a 3D buffer.");
  EXPECT_EQ(ui.dialogs.boxes()[0].title, "Warning ");
}

}  // namespace
}  // namespace veltro::testing
