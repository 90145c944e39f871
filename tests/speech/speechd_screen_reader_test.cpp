#include <gmock/gmock.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/desktop/speechd_screen_reader.h"
#include "platform/platform_error.h"

extern char** environ;

// libspeechd keeps a few bytes (allocated through GLib) of each connection it opens; that is the
// library's, not ours, and must not fail the leak check. This program uses GLib only through it.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libglib-2.0.so\n";
}

namespace veltro::platform::desktop {
namespace {

namespace fs = std::filesystem;

// Each test gets a folder of its own, and may start a speech-dispatcher of its own there: a
// private socket and configuration, the dummy output module and ALSA's null device, so it needs
// neither a sound card nor the user's session.
class SpeechdTest : public ::testing::Test {
 protected:
  SpeechdTest() { fs::create_directories(folder); }
  ~SpeechdTest() override {
    StopService();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }

  SpeechdOptions Options() const {
    SpeechdOptions options;
    options.unix_socket = (folder / "speechd.sock").string();
    options.autospawn = false;
    return options;
  }
  bool StartService() {
    std::ofstream(folder / "speechd.conf") << "LogLevel 1\nAudioOutputMethod \"alsa\"\n"
                                           << "AudioALSADevice \"null\"\n"
                                           << "AddModule \"dummy\" \"sd_dummy\" \"\"\n"
                                           << "DefaultModule dummy\n";
    const std::string dir = folder.string(), sock = Options().unix_socket, pid = dir + "/pid";
    std::vector<std::string> args = {"setsid", "speech-dispatcher", "-s", "-C", dir,  "-L", dir,
                                     "-c",     "unix_socket",       "-S", sock, "-P", pid,  "-t",
                                     "30"};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    // setsid gives it a process group of its own, so that its output modules end with it.
    if (posix_spawnp(&service, "setsid", nullptr, nullptr, argv.data(), environ) != 0) service = 0;
    // Ready once its socket exists; give up after ten seconds.
    for (int i = 0; i < 200 && service != 0 && !fs::exists(sock); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return service != 0 && fs::exists(sock);
  }
  void StopService() {
    if (service == 0) return;
    kill(-service, SIGTERM);
    waitpid(service, nullptr, 0);
    kill(-service, SIGKILL);  // whatever of the group is still there
    service = 0;
  }

  fs::path folder = fs::temp_directory_path() / ("veltro-speechd-" + std::to_string(getpid()));
  pid_t service = 0;
};

TEST_F(SpeechdTest, FailsCleanlyWhenNoServiceAnswers) {
  EXPECT_THROW(SpeechdScreenReader reader(Options()), PlatformError);
}

TEST_F(SpeechdTest, SpeaksThroughARunningServiceAndFailsWhenItGoesAway) {
  if (!StartService()) GTEST_SKIP() << "speech-dispatcher could not be started here";
  SpeechdScreenReader reader(Options());
  EXPECT_NO_THROW(reader.SayString("Altitude five hundred", false));
  EXPECT_NO_THROW(reader.StopSpeech());
  EXPECT_NO_THROW(reader.SayString("Fuel: \xFF eighty", true));

  StopService();
  // The first call may still be written before the service's end is noticed; within a few
  // calls the lost connection must show, and from then on every call fails.
  EXPECT_THROW(
      {
        for (int i = 0; i < 3; ++i) reader.SayString("Are you there?", false);
      },
      PlatformError);
  EXPECT_THROW(reader.StopSpeech(), PlatformError);
  EXPECT_THROW(SpeechdScreenReader again(Options()), PlatformError);
}

TEST(ValidUtf8Test, ReplacesOnlyBrokenBytes) {
  EXPECT_EQ(ValidUtf8("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(ValidUtf8("a\xFF\x62\xC3"), "a?b?");
  EXPECT_EQ(ValidUtf8("\xC0\xAF\xED\xA0\x80"), "?????");
}

}  // namespace
}  // namespace veltro::platform::desktop
