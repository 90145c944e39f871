#include <gtest/gtest.h>

#include <sstream>

#include "platform/headless/headless_ui.h"
#include "platform/headless/recording_speech.h"
#include "platform/platform_error.h"
#include "platform/speech_log.h"

namespace veltro::platform {
namespace {

class SpeechLogTest : public ::testing::Test {
 protected:
  headless::VirtualClock clock;
  headless::HeadlessUi ui{clock, {}};
  headless::RecordingSpeechBackends backends;
  std::ostringstream out;
  SpeechLog log{backends, ui, out};
};

TEST_F(SpeechLogTest, WritesTimeAndEscapedTextForEachBackendAndStops) {
  std::vector<std::string> heard;
  log.on_utterance = [&](const std::string& text) { heard.push_back(text); };

  auto reader = log.CreateScreenReader();
  reader->SayString("Moon\ttab \\ stay", false);
  clock.Advance(1.2344);
  reader->StopSpeech();
  auto voice = log.CreateSapiVoice();
  clock.Advance(10.0);
  voice->Speak("Final Fuel 224,\rFinal\nVelocity 100.\r\n", SVSFlagsAsync);
  voice->Speak(std::nullopt, SVSFPurgeBeforeSpeak);
  log.Note("message box \"Error! \": failed");

  EXPECT_EQ(out.str(),
            "0.000 Moon\ttab \\ stay\n"
            "1.234 [stop]\n"
            "11.234 Final Fuel 224,\\rFinal\\nVelocity 100.\\r\\n\n"
            "11.234 [stop]\n"
            "11.234 [message box \"Error! \": failed]\n");
  EXPECT_EQ(heard, (std::vector<std::string>{"Moon\ttab \\ stay",
                                             "Final Fuel 224,\rFinal\nVelocity 100.\r\n"}));
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

}  // namespace
}  // namespace veltro::platform
