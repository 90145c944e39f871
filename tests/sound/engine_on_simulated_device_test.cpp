// The engine over the headless program's simulated device, with real files on disk: what the
// engine expects of a device (buffers from files, copies, play-once sounds that end) holds.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/headless/simulated_sound.h"
#include "platform/headless/virtual_clock.h"
#include "platform/sndfile_ogg_library.h"
#include "sound_fixture.h"

namespace veltro::testing {
namespace {

class EngineOnSimulatedDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder =
        (std::filesystem::temp_directory_path() / ("veltro_sound_" + std::string(test))).string() +
        "/";
    std::filesystem::create_directories(folder);
    sound = std::make_unique<sound::Sound>(ui, dx, ogg, speech, folder);
    sound->DSInit();
    ASSERT_TRUE(ui.boxes.empty());
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  // A 440 Hz tone of `seconds` at 22050 Hz, written by libsndfile in the given format.
  void WriteTone(const std::string& name, double seconds, int channels, int format) {
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open((folder + name).c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<short> samples(static_cast<size_t>(seconds * 22050) * channels);
    for (size_t i = 0; i < samples.size(); ++i) {
      samples[i] = static_cast<short>(8000 * std::sin(i / static_cast<double>(channels) * 0.125));
    }
    sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
    ui.files[folder + name] = "";
  }
  void WriteBytes(const std::string& name, const std::string& bytes) {
    std::ofstream out(folder + name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ui.files[folder + name] = bytes;
  }
  int16_t Play(const std::string& name, int16_t flags = 0) {
    int16_t volume = 0, pan = 0;
    int32_t frequency = -1, start = 0;
    return sound->PlaySound(name, volume, frequency, pan, start, flags);
  }

  std::string folder;
  FakeUi ui;
  platform::headless::VirtualClock clock;
  platform::headless::SimulatedSoundSystem dx{clock};
  platform::SndfileOggLibrary ogg;
  RecordingSoundSpeech speech;
  std::unique_ptr<sound::Sound> sound;
};

TEST_F(EngineOnSimulatedDevice, PlayOnceEndsAndTheCachedSlotIsRestarted) {
  WriteTone("click.wav", 0.1, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  WriteTone("hum.wav", 0.1, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  int16_t click = Play("click.wav");
  int16_t hum = Play("hum.wav", 8);
  ASSERT_GT(click, 0);
  ASSERT_GT(hum, 0);
  int16_t copy = Play("click.wav");
  EXPECT_NE(copy, click);
  EXPECT_TRUE(sound->IsPlaying(click));

  clock.Advance(0.5);
  EXPECT_FALSE(sound->IsPlaying(click));
  EXPECT_FALSE(sound->IsPlaying(copy));
  EXPECT_TRUE(sound->IsPlaying(hum));  // looping

  // Removing the file proves the next play comes from the cache.
  std::filesystem::remove(folder + "click.wav");
  EXPECT_EQ(Play("click.wav"), std::min(click, copy));

  int32_t frequency = 44100;
  sound->SetFrequency(hum, frequency);
  EXPECT_EQ(sound->GetFrequency(hum), 44100);
  sound->StopPlay(hum);
  EXPECT_FALSE(sound->IsPlaying(hum));
}

TEST_F(EngineOnSimulatedDevice, DecodedOggStereo3DAndBadFiles) {
  WriteTone("theme.ogg", 0.2, 2, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
  int16_t theme = Play("theme.ogg!");
  ASSERT_GT(theme, 0);
  EXPECT_EQ(sound->WavSlotAt(theme).SlotFile, "THEME.OGG");
  EXPECT_EQ(sound->WavSlotAt(theme).WaveFormat.Channels, 2);
  EXPECT_TRUE(sound->IsPlaying(theme));

  WriteTone("wide.wav", 0.1, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  Play("wide.wav", 1024);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text,
            "WIDE.WAV will not play.  Trying to use a stereo sound in a 3D buffer.");

  WriteBytes("empty.wav", "");
  WriteBytes("corrupt.wav", std::string("RIFF\x10\0\0\0WAVEjunkjunkjunk", 24));
  WriteBytes("corrupt.ogg", "OggS not really");
  EXPECT_EQ(Play("empty.wav"), 0);
  EXPECT_EQ(Play("corrupt.wav"), 0);
  EXPECT_EQ(Play("corrupt.ogg!"), 0);
  EXPECT_EQ(ui.boxes.size(), 1u);
}

}  // namespace
}  // namespace veltro::testing
