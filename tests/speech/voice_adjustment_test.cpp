#include <gmock/gmock.h>

#include "platform/keys.h"
#include "speech_form_fixture.h"

namespace veltro::speech {
namespace {

using namespace veltro::keys;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(SpeechFormTest, AdjustVoiceWalksTheListAndStopsAtItsEnd) {
  StartVoice();
  // Down: voice 0; K, L: voices 1 and 2; Right: index 3 fails; Down: refused from then on;
  // Up: back to the last voice of the list; Enter.
  Keys({{kDown}, {Letter('K')}, {Letter('L')}, {kRight}, {kDown}, {kUp}, {kReturn}});
  int16_t voice = 99;
  form.AdjustVoice(voice);
  EXPECT_EQ(voice, 2);
  EXPECT_THAT(Log("voice voice"), ElementsAre("voice voice Alpha", "voice voice Bravo",
                                              "voice voice Charlie", "voice voice Charlie"));
  EXPECT_EQ(Log("voice speak Here is the current voice").size(), 4u);
  EXPECT_EQ(Log("voice speak").front(),
            "voice speak Use the arrows  to select voice. Press Enter when done.");
  EXPECT_EQ(ui.key_target(), nullptr);
}

TEST_F(SpeechFormTest, AdjustVoiceWithoutVoicesSaysSoAndEnds) {
  backends.voice_names.clear();
  StartVoice();
  Keys({{kDown}});
  int16_t voice = 5;
  form.AdjustVoice(voice);
  EXPECT_EQ(voice, 0);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "No MS SAPI Voices were found.");
  EXPECT_EQ(ui.boxes[0].title, "Error! ");
}

TEST_F(SpeechFormTest, AdjustVoiceOtherKeyFirstTriesIndexMinusOneAndLocksTheArrows) {
  StartVoice();
  Keys({{Letter('X')}, {kDown}, {kUp}, {kEscape}});
  int16_t voice = 0;
  form.AdjustVoice(voice);
  EXPECT_EQ(voice, -1);
  EXPECT_THAT(Log("voice voice"), IsEmpty());
  EXPECT_THAT(ui.boxes, IsEmpty());
}

TEST_F(SpeechFormTest, AdjustRateStepsByOneWithinMinusTenAndTwentyOne) {
  backends.initial_rate = 20;
  StartVoice();
  Keys({{kUp}, {Letter('I')}, {Letter('L')}, {kEscape}});
  int16_t rate = 0;
  form.AdjustRate(rate);
  EXPECT_EQ(rate, 21);
  EXPECT_THAT(Log("voice rate"), ElementsAre("voice rate 21"));
  EXPECT_EQ(Log("voice speak Here is the new rate.").size(), 1u);

  backends.voice_states[0]->rate = -9;
  backends.log.clear();
  Keys({{kDown}, {Letter('K')}, {Letter('Q')}, {kReturn}});
  form.AdjustRate(rate);
  EXPECT_EQ(rate, -10);
  // Another key applies and announces the same rate again.
  EXPECT_THAT(Log("voice rate"), ElementsAre("voice rate -10", "voice rate -10"));
}

TEST_F(SpeechFormTest, AdjustVolumeOffTheStepsOfFiveIsKeptButNotApplied) {
  backends.initial_volume = 97;
  StartVoice();
  Keys({{kUp}, {kRight}, {kDown}, {kUp}, {kReturn}});
  int16_t volume = 0;
  form.AdjustVolume(volume);
  EXPECT_EQ(volume, 102);
  EXPECT_THAT(Log("voice volume"), ElementsAre("voice volume 97"));
  EXPECT_EQ(Log("voice speak Here is the new volume.").size(), 1u);

  backends.voice_states[0]->volume = 0;
  backends.log.clear();
  Keys({{kDown}, {Letter('J')}, {kUp}, {kEscape}});
  form.AdjustVolume(volume);
  EXPECT_EQ(volume, 5);
  EXPECT_THAT(Log("voice volume"), ElementsAre("voice volume 5"));
}

TEST_F(SpeechFormTest, AdjustRate2ClampsTheJump) {
  StartVoice();
  int16_t rate = 0;
  form.AdjustRate2(30, rate);
  EXPECT_EQ(rate, 21);
  form.AdjustRate2(-32768, rate);
  EXPECT_EQ(rate, -10);
  form.AdjustRate2(3, rate);
  EXPECT_EQ(rate, -7);
  EXPECT_EQ(backends.voice_states[0]->rate, -7);
  EXPECT_THAT(Log("voice speak"), IsEmpty());
}

TEST_F(SpeechFormTest, InteractiveAdjustmentsDoNothingWithTheScreenReader) {
  form.TTSSetup(1);
  backends.log.clear();
  int16_t voice = 7, rate = 7, volume = 7;
  form.AdjustVoice(voice);
  form.AdjustRate(rate);
  form.AdjustRate2(3, rate);
  form.AdjustVolume(volume);
  EXPECT_EQ(voice, 7);
  EXPECT_EQ(rate, 7);
  EXPECT_EQ(volume, 7);
  EXPECT_THAT(backends.log, IsEmpty());
  EXPECT_EQ(ui.do_events_calls, 0);
}

TEST_F(SpeechFormTest, KeyboardIsGivenBackWhenALoopEndsByAnException) {
  StartVoice();
  struct GameWindow : platform::KeyHandler {
    void KeyDown(int16_t, int16_t) override {}
    void KeyUp(int16_t, int16_t) override {}
  } game;
  ui.SetKeyTarget(&game);
  int16_t rate = 0;
  EXPECT_THROW(form.AdjustRate(rate), std::runtime_error);  // no key ever comes
  EXPECT_EQ(ui.key_target(), &game);
}

TEST_F(SpeechFormTest, SetSapiValuesSetsSlotOneAndWritesTheChoiceBack) {
  StartVoice();
  int16_t choice = -5;
  form.SetSapiValues(2, 3, 40, 1, choice);
  EXPECT_EQ(choice, 1);
  EXPECT_THAT(backends.log, ElementsAre("voice voice Charlie", "voice rate 3", "voice volume 40",
                                        "voice priority 1"));
  backends.log.clear();
  form.SetSapiValues(0, 0, 100, 0);
  EXPECT_EQ(backends.voice_states[0]->voice, "Alpha");

  backends.log.clear();
  for (int16_t other : {0, 7}) {
    choice = other;
    form.SetSapiValues(1, 1, 1, 1, choice);
    EXPECT_EQ(choice, other);
  }
  EXPECT_THAT(backends.log, IsEmpty());
}

TEST_F(SpeechFormTest, SetSapiValuesStopsQuietlyAtTheFirstFailure) {
  StartVoice();
  // Slot 2 was never made: the voice list is read from slot 1, then the assignment fails.
  int16_t choice = 2;
  EXPECT_NO_THROW(form.SetSapiValues(0, 5, 50, 0, choice));
  EXPECT_THAT(backends.log, IsEmpty());
  // A volume the voice refuses leaves the voice and rate set before it.
  EXPECT_NO_THROW(form.SetSapiValues(1, 5, 150, 2));
  EXPECT_THAT(backends.log, ElementsAre("voice voice Bravo", "voice rate 5"));
  // No voice yet at all.
  FRMTTS fresh(ui, backends, pauses);
  EXPECT_NO_THROW(fresh.SetSapiValues(0, 0, 0, 0));
}

}  // namespace
}  // namespace veltro::speech
