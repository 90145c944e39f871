#include <gtest/gtest.h>

#include <sstream>

#include "platform/headless/headless_ui.h"
#include "platform/headless/recording_speech.h"
#include "platform/platform_error.h"
#include "platform/speech_log.h"

namespace veltro::platform {
namespace {

// Options of a headless user interface in a test: a fixed program folder.
headless::HeadlessUi::Options TestOptions(double max_seconds = 3600.0) {
  headless::HeadlessUi::Options options;
  options.program_folder = "/opt/veltro";
  options.max_seconds = max_seconds;
  return options;
}

class SpeechLogTest : public ::testing::Test {
 protected:
  headless::VirtualClock clock;
  headless::HeadlessUi ui{clock, TestOptions()};
  headless::RecordingSpeechBackends backends;
  std::ostringstream out;
  SpeechLog log{backends, ui, out};
};

TEST_F(SpeechLogTest, WritesTimeAndEscapedTextForEachBackendAndStops) {
  std::vector<std::string> heard;
  log.on_utterance = [&](const std::string& text) { heard.push_back(text); };

  auto reader = log.CreateScreenReader();
  reader->SayString("Moon", false);
  clock.Advance(1.2344);
  reader->StopSpeech();
  auto voice = log.CreateSapiVoice();
  clock.Advance(10.0);
  voice->Speak("Final Fuel 224, Final Velocity 100.\r\n", SVSFlagsAsync);
  voice->Speak(std::nullopt, SVSFPurgeBeforeSpeak);
  log.Note("message box \"Error! \": failed");

  EXPECT_EQ(out.str(),
            "0.000 Moon\n"
            "1.234 [stop]\n"
            "11.234 Final Fuel 224, Final Velocity 100.\\r\\n\n"
            "11.234 [stop]\n"
            "11.234 [message box \"Error! \": failed]\n");
  EXPECT_EQ(heard, (std::vector<std::string>{"Moon", "Final Fuel 224, Final Velocity 100.\r\n"}));
  // The calls reached the real back-ends as well.
  EXPECT_EQ(backends.Spoken(), heard);
}

TEST_F(SpeechLogTest, FailuresPassThroughAndAreNotLoggedAsSpoken) {
  backends.state().fail_screen_reader_creation = true;
  EXPECT_THROW(log.CreateScreenReader(), PlatformError);

  auto voice = log.CreateSapiVoice();
  voice->SetRate(4);
  EXPECT_EQ(voice->Rate(), 4);
  EXPECT_EQ(voice->GetVoices("", "")->Count(), 2);
  backends.state().fail_voice_calls = true;
  EXPECT_THROW(voice->Speak("lost", SVSFlagsAsync), PlatformError);
  EXPECT_EQ(out.str(), "");
}

TEST(EscapeSpeechTextTest, OnlyLineEndingsAreEscaped) {
  EXPECT_EQ(EscapeSpeechText("a\rb\nc\r\n"), "a\\rb\\nc\\r\\n");
  EXPECT_EQ(EscapeSpeechText("tab\tand \\ stay"), "tab\tand \\ stay");
}

}  // namespace
}  // namespace veltro::platform
