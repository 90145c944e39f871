// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>
#include <signal.h>

#include <chrono>
#include <memory>
#include <thread>

#include "platform/base/platform_error.h"
#include "platform/desktop/speechd_screen_reader.h"
#include "platform/speech/spoken_form.h"
#include "support/speechd_service.h"

// libspeechd keeps a few bytes (allocated through GLib) of each connection it opens; that is the
// library's, not ours, and must not fail the leak check. This program uses GLib only through it.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libglib-2.0.so\n";
}

namespace veltro::platform::desktop {
namespace {

// Says texts until the channel fails: how many it took first, or -1 when four seconds passed.
int TextsUntilItFails(SpeechdScreenReader& reader) {
  for (int taken = 0; taken < 200; ++taken) {
    try {
      reader.SayString("Altitude " + std::to_string(taken), false);
    } catch (const PlatformError&) {
      return taken;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}

// One service of the test's own, through every way it can behave.
TEST(SpeechdTest, SpeaksReconnectsToARestartedServiceAndFailsWhenItHangsIsKilledOrReplaced) {
  testing::SpeechdService service("speechd-restart");
  if (!service.Start()) GTEST_SKIP() << "speech-dispatcher could not be started here";
  SpeechdScreenReader reader(service.Options());
  reader.SayString("Altitude five hundred", false);
  reader.StopSpeech();
  reader.SayString("Fuel: \xFF eighty", true);
  EXPECT_TRUE(service.Queued("Fuel: ? eighty"));
  // The voice behind the service hears the sign its symbol rules would drop.
  reader.SayString("V-29", false);
  EXPECT_TRUE(service.Heard("V minus 29"));
  // What a channel still has queued when it ends is not spoken after it.
  {
    SpeechdScreenReader ending(service.Options());
    for (int i = 1; i <= 5; ++i) ending.SayString("Queued " + std::to_string(i), false);
    EXPECT_TRUE(service.Heard("Queued 1"));
  }
  EXPECT_FALSE(service.Heard("Queued 5", 2.5));

  // A service that restarts is found again on the next text.
  service.Stop();
  ASSERT_TRUE(service.Start());
  reader.SayString("Back again", false);
  EXPECT_TRUE(service.Queued("Back again"));

  // A service that hangs costs the caller nothing: each call only queues, so the caller goes on
  // past the first text the service never takes (a blocking client would fail there, on its reply
  // timeout); once the service has left a text untaken too long, the channel has failed.
  SpeechdOptions options = service.Options();
  options.take_timeout = std::chrono::milliseconds(300);
  auto hung = std::make_unique<SpeechdScreenReader>(options);
  service.Signal(SIGSTOP);
  EXPECT_GT(TextsUntilItFails(*hung), 1);
  EXPECT_THROW(hung->StopSpeech(), PlatformError);  // and stays failed
  hung.reset();  // a thread held up by the service is left to finish on its own
  // A channel made while the service hangs costs its caller no wait for the connection either.
  options.reply_timeout = std::chrono::milliseconds(300);
  const auto start = std::chrono::steady_clock::now();
  SpeechdScreenReader late(options);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_GE(TextsUntilItFails(late), 0);
  service.Signal(SIGCONT);

  // One that is killed, or a stranger in its place (libspeechd would answer it with exit), fails
  // the channel within a few calls, and for good; so does a stranger met at the start.
  service.Signal(SIGKILL);
  service.Stop();
  EXPECT_GE(TextsUntilItFails(reader), 0);
  EXPECT_THROW(reader.StopSpeech(), PlatformError);
  EXPECT_THROW(SpeechdScreenReader again(service.Options()), PlatformError);  // nothing answers
  ASSERT_TRUE(service.Start());
  SpeechdScreenReader replaced(service.Options());
  service.Signal(SIGKILL);
  service.Stop();
  testing::GarbagePeer stranger(service.Options().unix_socket);
  EXPECT_GE(TextsUntilItFails(replaced), 0);
  EXPECT_THROW(SpeechdScreenReader at_start(service.Options()), PlatformError);
}

TEST(SpokenTextTest, BrokenBytesAreReplacedAndTheSignOfANumberIsSaid) {
  EXPECT_EQ(ValidUtf8("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(ValidUtf8("a\xFF\x62\xC3"), "a?b?");
  EXPECT_EQ(ValidUtf8("\xC0\xAF\xED\xA0\x80"), "?????");
  // A sign is said, a range or a dash is not.
  const std::pair<const char*, const char*> kSpoken[] = {{"V-29", "V minus 29"},
                                                         {"Fuel: -3", "Fuel: minus 3"},
                                                         {"-15", "minus 15"},
                                                         {"10-20", "10-20"},
                                                         {"far-off - a", "far-off - a"}};
  for (const auto& [written, spoken] : kSpoken) EXPECT_EQ(SpokenForm(written), spoken) << written;
}

}  // namespace
}  // namespace veltro::platform::desktop
