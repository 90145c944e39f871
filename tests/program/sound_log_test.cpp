#include <gtest/gtest.h>

#include <sstream>

#include "platform/headless/headless_ui.h"
#include "sound_log.h"

namespace veltro::app {
namespace {

// An engine that caps frequencies and plays nothing for long.
struct CappingSound : game::GameSound {
  void DSInit() override {}
  int16_t PlaySound(const std::string&, int16_t&, int32_t& Frequency, int16_t&, int32_t&,
                    int16_t&) override {
    SetFrequency(7, Frequency);
    return 7;
  }
  bool IsPlaying(int16_t) override { return --plays_left > 0; }
  void StopPlay(int16_t) override {}
  void SetVolume(int16_t, int16_t) override {}
  void SetPan(int16_t, int16_t) override {}
  void SetFrequency(int16_t, int32_t& Frequency) override {
    Frequency = std::min(Frequency, 100000);
  }
  int plays_left = 4;
};

TEST(SoundLogTest, WritesEachCallWithArgumentsResultsAndChangedArguments) {
  platform::headless::VirtualClock clock;
  platform::headless::HeadlessUi ui(clock, {});
  CappingSound engine;
  std::ostringstream out;
  {
    SoundLog log(engine, ui, out);
    log.DSInit();
    int16_t volume = -600, pan = 0, flags = 8;
    int32_t frequency = 150000, start = 0, high = 120000;
    EXPECT_EQ(log.PlaySound("alt.wav", volume, frequency, pan, start, flags), 7);
    EXPECT_EQ(frequency, 100000);  // the engine's change reaches the game
    clock.Advance(0.5);
    while (log.IsPlaying(7)) clock.Advance(0.001);
    log.SetVolume(7, -10000);
    log.SetPan(7, -3000);
    log.SetFrequency(7, high);
    log.StopPlay(7);
  }
  EXPECT_EQ(out.str(),
            "0.000 DSInit()\n"
            "0.000 PlaySound(\"alt.wav\", Volume=-600, Frequency=150000=>100000, Pan=0, "
            "StartPosition=0, DSFlags=8) -> 7\n"
            "0.500 IsPlaying(7) -> true\n"
            "0.502 IsPlaying(7) -> true (2 more times)\n"
            "0.503 IsPlaying(7) -> false\n"
            "0.503 SetVolume(7, -10000)\n"
            "0.503 SetPan(7, -3000)\n"
            "0.503 SetFrequency(7, Frequency=120000=>100000)\n"
            "0.503 StopPlay(7)\n");
}

}  // namespace
}  // namespace veltro::app
