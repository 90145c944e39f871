// SPDX-License-Identifier: GPL-3.0-or-later
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
  EXPECT_THROW(SpeechdScreenReader again(service.Options()), PlatformError);  // nothing answers
}

TEST(SpeechdTest, AServiceThatHangsCostsTheCallerNothingAndFailsTheChannel) {
  testing::SpeechdService service("speechd-hang");
  if (!service.Start()) GTEST_SKIP() << "speech-dispatcher could not be started here";
  SpeechdOptions options = service.Options();
  options.take_timeout = std::chrono::milliseconds(300);
  auto reader = std::make_unique<SpeechdScreenReader>(options);
  service.Signal(SIGSTOP);
  // Each call only queues, so the caller goes on past the first text the service never takes
  // (a blocking client would fail there, on its reply timeout); once the service has left a text
  // untaken too long, the channel has failed.
  int queued = 0;
  EXPECT_THROW(
      for (; queued < 200; ++queued) {
        reader->SayString("Altitude " + std::to_string(queued), false);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      },
      PlatformError);
  EXPECT_GT(queued, 1);
  EXPECT_THROW(reader->StopSpeech(), PlatformError);  // and stays failed
  reader.reset();  // a thread held up by the service is left to finish on its own
  service.Signal(SIGCONT);
}

TEST(ValidUtf8Test, ReplacesOnlyBrokenBytes) {
  EXPECT_EQ(ValidUtf8("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(ValidUtf8("a\xFF\x62\xC3"), "a?b?");
  EXPECT_EQ(ValidUtf8("\xC0\xAF\xED\xA0\x80"), "?????");
}

}  // namespace
}  // namespace veltro::platform::desktop
