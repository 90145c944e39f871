// The engine over the headless program's simulated device, with real files on disk.
#include <filesystem>

#include "platform/headless/simulated_sound.h"
#include "sound_fixture.h"

namespace veltro::testing {
namespace {

TEST(EngineOnSimulatedDevice, PlayOnceEndsCachedSlotRestartsAndBadFilesGiveZero) {
  TestUi ui;
  const std::string folder = ui.Folder();
  platform::headless::SimulatedSoundSystem dx{ui.clock};
  SimulatedStreams streams{ui.clock};
  RecordingSoundSpeech speech;
  sound::Sound sound(ui.ui(), dx, streams.ogg, streams.direct_show, speech, folder);
  sound.DSInit();
  auto play = [&](const std::string& name, int16_t flags = 0) {
    int16_t volume = 0, pan = 0;
    int32_t frequency = -1, start = 0;
    return sound.PlaySound(name, volume, frequency, pan, start, flags);
  };
  WriteTone(folder + "click.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 22050, 2205);
  WriteTone(folder + "hum.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1, 22050, 2205);
  int16_t click = play("click.wav");
  int16_t hum = play("hum.ogg!", 8);
  ASSERT_GT(click, 0);
  ASSERT_GT(hum, 0);
  int16_t copy = play("click.wav");
  EXPECT_NE(copy, click);
  EXPECT_TRUE(sound.IsPlaying(click));
  ui.clock.Advance(0.5);
  EXPECT_FALSE(sound.IsPlaying(click));
  EXPECT_FALSE(sound.IsPlaying(copy));
  EXPECT_TRUE(sound.IsPlaying(hum));              // looping
  std::filesystem::remove(folder + "click.wav");  // the next play comes from the cache
  EXPECT_EQ(play("click.wav"), std::min(click, copy));

  ui.folder.Write("empty.wav");
  ui.folder.Write("corrupt.wav", std::string("RIFF\x10\0\0\0WAVEjunkjunkjunk", 24));
  ui.folder.Write("corrupt.ogg", "OggS not really");
  for (const char* bad : {"empty.wav", "corrupt.wav", "corrupt.ogg!", "missing.wav"}) {
    EXPECT_EQ(play(bad), 0) << bad;
  }
  EXPECT_TRUE(ui.dialogs.boxes().empty());
}

}  // namespace
}  // namespace veltro::testing
