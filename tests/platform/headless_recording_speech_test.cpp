#include <gtest/gtest.h>

#include "platform/headless/recording_speech.h"
#include "platform/platform_error.h"

namespace veltro::platform::headless {
namespace {

TEST(HeadlessRecordingSpeechTest, VoiceKeepsItsSettingsAndRecordsSpeechAndStops) {
  RecordingSpeechBackends backends;
  auto voice = backends.CreateSapiVoice();
  voice->SetRate(-3);
  voice->SetVolume(40);
  voice->SetPriority(1);
  auto voices = voice->GetVoices("", "");
  ASSERT_EQ(voices->Count(), 2);
  voice->SetVoice(voices->Item(1));
  EXPECT_THROW(voices->Item(2), PlatformError);
  EXPECT_THROW(voice->SetRate(11), PlatformError);
  voice->Speak("one", SVSFlagsAsync);
  voice->Speak(std::nullopt, SVSFPurgeBeforeSpeak);

  const auto& state = backends.state();
  EXPECT_EQ(voice->Rate(), -3);
  EXPECT_EQ(voice->Volume(), 40);
  EXPECT_EQ(state.priority, 1);
  EXPECT_EQ(state.voice, "Veltro Voice Two");
  ASSERT_EQ(state.records.size(), 2u);
  EXPECT_EQ(state.records[0].text, "one");
  EXPECT_TRUE(state.records[1].stop);
  EXPECT_EQ(backends.Spoken(), std::vector<std::string>{"one"});
}

TEST(HeadlessRecordingSpeechTest, SwitchesMakeCreationAndLaterCallsFail) {
  RecordingSpeechBackends backends;
  backends.state().fail_screen_reader_creation = true;
  EXPECT_THROW(backends.CreateScreenReader(), PlatformError);
  backends.state().fail_screen_reader_creation = false;
  auto reader = backends.CreateScreenReader();
  EXPECT_EQ(backends.state().screen_readers_created, 1);

  // A back-end created before the failure fails from then on, and works again once it ends.
  backends.state().fail_screen_reader_calls = true;
  EXPECT_THROW(reader->SayString("gone", false), PlatformError);
  EXPECT_THROW(reader->StopSpeech(), PlatformError);
  backends.state().fail_screen_reader_calls = false;
  reader->SayString("back", false);
  EXPECT_EQ(backends.Spoken(), std::vector<std::string>{"back"});

  backends.state().fail_voice_creation = true;
  EXPECT_THROW(backends.CreateSapiVoice(), PlatformError);
}

}  // namespace
}  // namespace veltro::platform::headless
