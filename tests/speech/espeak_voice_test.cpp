// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "platform/base/platform_error.h"
#include "platform/desktop/espeak_voice.h"

namespace veltro::platform::desktop {
namespace {

const std::string kSentence = "Altitude five hundred. Velocity twelve. Fuel: eighty.";

int Peak(const std::vector<int16_t>& samples) {
  int peak = 0;
  for (int16_t s : samples) peak = std::max(peak, std::abs(s));
  return peak;
}

class EspeakVoiceTest : public ::testing::Test {
 protected:
  // What the voice says of the texts queued one behind the other (nullopt: a purge).
  std::vector<int16_t> SpeakAndCollect(std::initializer_list<std::optional<std::string>> texts) {
    capture->Clear();
    for (const auto& text : texts) voice.Speak(text, text ? SVSFlagsAsync : SVSFPurgeBeforeSpeak);
    voice.WaitUntilDone();
    return capture->Samples();
  }

  std::shared_ptr<CapturedAudio> capture = std::make_shared<CapturedAudio>();
  EspeakVoice voice{{EspeakOptions::Output::kMemory, "", capture}};
};

TEST_F(EspeakVoiceTest, SpeaksAudiblyAtTheRateAndVolumeSetQueuesAndPurges) {
  EXPECT_THROW(EspeakVoice({EspeakOptions::Output::kMemory, "", nullptr}), PlatformError);
  const std::vector<int16_t> normal = SpeakAndCollect({kSentence});
  EXPECT_GT(normal.size(), 22050u);  // more than a second at espeak-ng's 22050 Hz
  EXPECT_GT(Peak(normal), 3000);
  voice.SetRate(-10);  // the ends of the range are taken, one step past them refused
  EXPECT_GT(SpeakAndCollect({kSentence}).size(), normal.size() * 115 / 100);
  voice.SetRate(21);  // and must survive a purge
  EXPECT_LT(SpeakAndCollect({std::nullopt, kSentence}).size(), normal.size() * 60 / 100);

  for (int bad : {22, -11}) EXPECT_THROW(voice.SetRate(bad), PlatformError) << bad;
  for (int bad : {101, -1}) EXPECT_THROW(voice.SetVolume(bad), PlatformError) << bad;
  for (int end : {0, 100}) EXPECT_NO_THROW(voice.SetVolume(end)) << end;
  voice.SetVolume(20);
  EXPECT_LT(Peak(SpeakAndCollect({kSentence})), Peak(normal) / 2);
  // The voice menu walks the list until an index fails.
  std::shared_ptr<VoiceTokens> voices = voice.GetVoices("", "");
  EXPECT_THROW(voices->Item(voices->Count()), PlatformError);
  EXPECT_THROW(voices->Item(-1), PlatformError);

  // Speech queues behind; a purge cuts it short.
  const size_t one = SpeakAndCollect({"Landed."}).size();
  // Twice as long, give or take the few samples where the two join.
  EXPECT_NEAR(static_cast<double>(SpeakAndCollect({"Landed.", "Landed."}).size()), 2.0 * one,
              one / 50.0);

  std::string long_text;
  for (int i = 0; i < 40; ++i) long_text += kSentence + " ";
  const size_t whole = SpeakAndCollect({long_text}).size();
  EXPECT_LT(SpeakAndCollect({long_text, long_text, std::nullopt}).size(), whole);
}

TEST(EspeakDeviceTest, SynthesisStaysJustAheadOfPlaybackAndAPurgeEmptiesTheDeviceAtOnce) {
  // SDL's dummy output, no hardware; the device rests a moment after its sound has played.
  EspeakVoice voice(
      {EspeakOptions::Output::kSoundDevice, "dummy", nullptr, std::chrono::milliseconds(50)});
  for (int rested = 0; rested < 2; ++rested) {
    voice.Speak("Moon", SVSFlagsAsync);
    voice.WaitUntilDone();
    EXPECT_TRUE(voice.DeviceOpen());           // opened again after a rest
    EXPECT_GT(voice.QueuedDeviceBytes(), 0u);  // its end waits to be played
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (voice.DeviceOpen() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_FALSE(voice.DeviceOpen());
  }
  voice.Speak(kSentence, SVSFlagsAsync);
  voice.WaitUntilDone();
  EXPECT_GT(voice.QueuedDeviceBytes(), 0u);
  // Minutes of speech: the device never holds more than the lead and one block of synthesis
  // (espeak-ng's blocks are well under half a second); the rest waits as text.
  std::string long_text;
  for (int i = 0; i < 40; ++i) long_text += kSentence + " ";
  for (int i = 0; i < 5; ++i) voice.Speak(long_text, SVSFlagsAsync);
  const auto lead = static_cast<uint32_t>(22050 * 2 * (EspeakVoice::kSecondsAhead + 0.5));
  for (int i = 0; i < 10; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_LE(voice.QueuedDeviceBytes(), lead);
  }
  EXPECT_GT(voice.QueuedDeviceBytes(), 0u);
  voice.Speak(std::nullopt, SVSFPurgeBeforeSpeak);
  EXPECT_EQ(voice.QueuedDeviceBytes(), 0u);
  voice.WaitUntilDone();  // the synthesis waiting for the device gave up its utterance
  EXPECT_EQ(voice.QueuedDeviceBytes(), 0u);
}

}  // namespace
}  // namespace veltro::platform::desktop
