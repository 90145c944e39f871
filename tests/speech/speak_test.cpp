#include <gmock/gmock.h>

#include "speech/say.h"
#include "speech_form_fixture.h"

namespace veltro::speech {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Icon = platform::MessageBoxIcon;

TEST_F(SpeechFormTest, ScreenReaderStartsAndSpeaksWithoutInterrupting) {
  form.TTSSetup(1);
  EXPECT_EQ(form.CurrentTTSType(), 1);
  form.speak("Altitude 500");
  form.StopSpeech();
  EXPECT_THAT(Log(), ElementsAre("create reader1", "reader1 say Altitude 500", "reader1 stop"));
  EXPECT_EQ(form.LastThingSpoken(), "Altitude 500");
  EXPECT_THAT(ui.boxes, IsEmpty());
}

TEST_F(SpeechFormTest, VoiceQueuesTextsAndPurgesOnStop) {
  StartVoice();
  form.speak("one");
  form.speak("two");
  form.StopSpeech();
  EXPECT_THAT(Log(), ElementsAre("voice speak one", "voice speak two", "voice purge"));
}

TEST_F(SpeechFormTest, BlankTextsAreNeitherSpokenNorRemembered) {
  StartVoice();
  form.speak("first");
  for (const std::string text : {"", " ", "    "}) form.speak(text);
  EXPECT_THAT(Log(), ElementsAre("voice speak first"));
  EXPECT_EQ(form.LastThingSpoken(), "first");
  // Only blanks count as empty: a tab is spoken.
  form.speak("\t");
  EXPECT_EQ(form.LastThingSpoken(), "\t");
}

TEST_F(SpeechFormTest, TripleAsteriskPrefixIsRemovedAndTheRestKeptAsIs) {
  StartVoice();
  form.speak("***");
  EXPECT_EQ(form.LastThingSpoken(), "");
  form.speak("*** word ");
  EXPECT_EQ(form.LastThingSpoken(), " word ");
  form.speak("**two");
  EXPECT_EQ(form.LastThingSpoken(), "**two");
  form.speak("****x");
  EXPECT_THAT(Log(), ElementsAre("voice speak ", "voice speak  word ", "voice speak **two",
                                 "voice speak *x"));
}

TEST_F(SpeechFormTest, SystemTypeTextsAreForTheVoiceOnly) {
  form.TTSSetup(1);
  form.speak("before");
  form.speak("voice only", 1);
  EXPECT_EQ(form.LastThingSpoken(), "before");
  EXPECT_THAT(Log("reader1 say"), ElementsAre("reader1 say before"));

  form.TTSSetup(3);
  form.speak("voice only", 2);
  EXPECT_THAT(Log("voice speak"), ElementsAre("voice speak voice only"));
  EXPECT_EQ(form.LastThingSpoken(), "voice only");
}

TEST_F(SpeechFormTest, UnreachableScreenReaderFallsBackToTheVoiceAfterOneMessage) {
  backends.screen_reader_available = false;
  form.TTSSetup(1);
  EXPECT_EQ(form.CurrentTTSType(), 3);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Error initializing screen reader or MS SAPI.");
  EXPECT_EQ(ui.boxes[0].title, "Error! ");
  EXPECT_EQ(ui.boxes[0].icon, Icon::kCritical);
  EXPECT_EQ(ui.boxes[0].buttons, platform::MessageBoxButtons::kOk);
  form.speak("hello");
  EXPECT_THAT(Log("voice speak"), ElementsAre("voice speak hello"));
}

TEST_F(SpeechFormTest, NoBackEndAtAllGivesTwoMessagesAndSilence) {
  backends.screen_reader_available = false;
  backends.voice_available = false;
  form.TTSSetup(1);
  EXPECT_EQ(form.CurrentTTSType(), 0);
  EXPECT_EQ(ui.boxes.size(), 2u);
  form.speak("hello");
  form.StopSpeech();
  form.RepeatLastThingSpoken();
  EXPECT_EQ(form.LastThingSpoken(), "");
  EXPECT_THAT(Log("voice"), IsEmpty());

  // A voice that fails at start-up gives one message only.
  ui.boxes.clear();
  form.TTSSetup(3);
  EXPECT_EQ(form.CurrentTTSType(), 0);
  EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST_F(SpeechFormTest, TypeZeroSilencesAndOtherTypesRecordWithoutSpeaking) {
  form.TTSSetup(3);
  form.TTSSetup(0);
  form.speak("nothing");
  EXPECT_EQ(form.LastThingSpoken(), "");
  form.TTSSetup(5);
  EXPECT_EQ(form.CurrentTTSType(), 5);
  form.speak("recorded");
  form.StopSpeech();
  EXPECT_EQ(form.LastThingSpoken(), "recorded");
  EXPECT_THAT(Log("voice speak"), IsEmpty());
  EXPECT_THAT(ui.boxes, IsEmpty());
}

TEST_F(SpeechFormTest, SwitchingThreeOneThreeKeepsTheSameVoiceAndReconnectsTheReader) {
  form.TTSSetup(3);
  int16_t rate = 0;
  form.AdjustRate2(4, rate);
  form.TTSSetup(1);
  form.TTSSetup(1);
  form.TTSSetup(3);
  EXPECT_EQ(backends.voices_created, 1);
  EXPECT_EQ(backends.screen_readers_created, 2);
  EXPECT_EQ(form.SapiVoices(1)->Rate(), 4);
}

TEST_F(SpeechFormTest, BackEndFailuresReachTheCallerExceptFromStopSpeaking) {
  form.TTSSetup(1);
  form.speak("kept");
  backends.screen_reader_calls_fail = true;
  EXPECT_THROW(form.speak("lost"), platform::PlatformError);
  EXPECT_EQ(form.LastThingSpoken(), "kept");
  EXPECT_THROW(form.StopSpeech(), platform::PlatformError);
  EXPECT_NO_THROW(form.StopSpeakingAll());

  // A new start connects afresh.
  backends.screen_reader_calls_fail = false;
  form.TTSSetup(1);
  form.speak("again");
  EXPECT_THAT(Log("reader2"), ElementsAre("reader2 say again"));
}

TEST_F(SpeechFormTest, StopSpeakingAllStopsSixTimes) {
  StartVoice();
  form.StopSpeakingAll();
  EXPECT_EQ(Log("voice purge").size(), 6u);
}

TEST(SayTest, MakesTheFormOnFirstUseAndSpeaksThroughIt) {
  testing::FakeUi ui;
  testing::FakeSpeechBackends backends;
  std::vector<std::string> waits;
  LoggedPauses pauses(ui, waits);
  SpeechFormHolder module(ui, backends, pauses);
  EXPECT_FALSE(module.Created());
  Say(module, "silent before set-up");
  EXPECT_TRUE(module.Created());
  FRMTTS& form = module.Form();
  form.TTSSetup(3);
  Say(module, "***hello");
  EXPECT_EQ(&module.Form(), &form);
  EXPECT_THAT(backends.LogOf("voice speak"), ElementsAre("voice speak hello"));
}

}  // namespace
}  // namespace veltro::speech
