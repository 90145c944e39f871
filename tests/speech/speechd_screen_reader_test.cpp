#include <gmock/gmock.h>
#include <signal.h>

#include <chrono>
#include <memory>
#include <thread>

#include "platform/desktop/speechd_screen_reader.h"
#include "platform/platform_error.h"
#include "support/speechd_service.h"

// libspeechd keeps a few bytes (allocated through GLib) of each connection it opens; that is the
// library's, not ours, and must not fail the leak check. This program uses GLib only through it.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libglib-2.0.so\n";
}

namespace veltro::platform::desktop {
namespace {

using Clock = std::chrono::steady_clock;

TEST(SpeechdTest, FailsCleanlyWhenNoServiceAnswers) {
  testing::SpeechdService service("speechd-none");
  EXPECT_THROW(SpeechdScreenReader reader(service.Options()), PlatformError);
}

TEST(SpeechdTest, SpeaksReconnectsOnceToARestartedServiceAndFailsWhenItIsGone) {
  testing::SpeechdService service("speechd-restart");
  if (!service.Start()) GTEST_SKIP() << "speech-dispatcher could not be started here";
  SpeechdScreenReader reader(service.Options());
  reader.SayString("Altitude five hundred", false);
  reader.StopSpeech();
  reader.SayString("Fuel: \xFF eighty", true);
  EXPECT_TRUE(service.Queued("Fuel: ? eighty"));

  // A service that restarts is found again on the next text.
  service.Stop();
  ASSERT_TRUE(service.Start());
  reader.SayString("Back again", false);
  EXPECT_TRUE(service.Queued("Back again"));

  // One that is gone fails the channel: within a few calls, and for good.
  service.Stop();
  EXPECT_THROW(
      for (int i = 0; i < 50; ++i) {
        reader.SayString("Are you there?", false);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      },
      PlatformError);
  EXPECT_THROW(reader.StopSpeech(), PlatformError);
  EXPECT_THROW(SpeechdScreenReader again(service.Options()), PlatformError);
}

TEST(SpeechdTest, AServiceThatHangsCostsTheCallerNothingAndFailsTheChannel) {
  testing::SpeechdService service("speechd-hang");
  if (!service.Start()) GTEST_SKIP() << "speech-dispatcher could not be started here";
  SpeechdOptions options = service.Options();
  options.take_timeout = std::chrono::milliseconds(300);
  auto reader = std::make_unique<SpeechdScreenReader>(options);
  service.Signal(SIGSTOP);
  // Each call only queues (a blocking client would wait two seconds for each reply); once the
  // service has left a text untaken too long, the channel has failed.
  const Clock::time_point start = Clock::now();
  EXPECT_THROW(
      for (int i = 0; i < 200; ++i) {
        reader->SayString("Altitude " + std::to_string(i), false);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      },
      PlatformError);
  reader.reset();  // a thread held up by the service is left to finish on its own
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));  // sanity: not one reply timeout
  service.Signal(SIGCONT);
}

TEST(ValidUtf8Test, ReplacesOnlyBrokenBytes) {
  EXPECT_EQ(ValidUtf8("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(ValidUtf8("a\xFF\x62\xC3"), "a?b?");
  EXPECT_EQ(ValidUtf8("\xC0\xAF\xED\xA0\x80"), "?????");
}

}  // namespace
}  // namespace veltro::platform::desktop
