#include <gmock/gmock.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/desktop/desktop_speech_backends.h"
#include "platform/desktop/speechd_screen_reader.h"
#include "platform/platform_error.h"
#include "speech/frm_tts.h"
#include "support/fake_ui.h"

extern char** environ;

// libspeechd keeps a few bytes (allocated through GLib) of each connection it opens; that is the
// library's, not ours, and must not fail the leak check. This program uses GLib only through it.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libglib-2.0.so\n";
}

namespace veltro::platform::desktop {
namespace {

namespace fs = std::filesystem;

// A folder of its own under the system's temporary folder, removed afterwards.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "veltro-speechd-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

SpeechdOptions NowhereOptions(const fs::path& folder) {
  SpeechdOptions options;
  options.unix_socket = (folder / "nobody-listens.sock").string();
  options.autospawn = false;
  return options;
}

TEST(SpeechdScreenReaderTest, FailsCleanlyWhenNoServiceAnswers) {
  TemporaryFolder folder;
  EXPECT_THROW(SpeechdScreenReader reader(NowhereOptions(folder.path())), PlatformError);
}

TEST(SpeechdScreenReaderTest, SpeechFormFallsBackToTheVoiceWhenNoServiceAnswers) {
  TemporaryFolder folder;
  DesktopSpeechBackends backends(
      {NowhereOptions(folder.path()), {EspeakOptions::Output::kMemory, "", nullptr}});
  testing::FakeUi ui;
  struct NoPauses : speech::SpeechPauses {
    void WaitSeconds(float) override {}
  } pauses;
  speech::FRMTTS form(ui, backends, pauses);
  form.TTSSetup(1);
  EXPECT_EQ(form.CurrentTTSType(), 3);
  EXPECT_EQ(ui.boxes.size(), 1u);
  form.speak("The voice speaks instead.");
  form.StopSpeech();
}

TEST(ValidUtf8Test, ReplacesOnlyBrokenBytes) {
  EXPECT_EQ(ValidUtf8("plain"), "plain");
  EXPECT_EQ(ValidUtf8("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(ValidUtf8("a\xFF"
                      "b\xC3"),
            "a?b?");
  EXPECT_EQ(ValidUtf8("\xC0\xAF\xED\xA0\x80"), "?????");
}

// A speech-dispatcher of the test's own: a private socket and configuration, the dummy output
// module, and ALSA's null device, so it needs neither a sound card nor the user's session.
class PrivateSpeechDispatcher {
 public:
  explicit PrivateSpeechDispatcher(const fs::path& folder) : socket_(folder / "speechd.sock") {
    fs::create_directories(folder / "conf");
    fs::create_directories(folder / "log");
    std::ofstream(folder / "conf" / "speechd.conf") << "LogLevel 1\n"
                                                    << "AudioOutputMethod \"alsa\"\n"
                                                    << "AudioALSADevice \"null\"\n"
                                                    << "AddModule \"dummy\" \"sd_dummy\" \"\"\n"
                                                    << "DefaultModule dummy\n";
    const std::string conf = (folder / "conf").string(), log = (folder / "log").string(),
                      sock = socket_.string(), pid = (folder / "pid").string();
    std::vector<std::string> args = {"speech-dispatcher", "-s", "-C", conf, "-L", log,  "-c",
                                     "unix_socket",       "-S", sock, "-P", pid,  "-t", "30"};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    // In a process group of its own, so that its output modules end with it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    const int failed =
        posix_spawnp(&pid_, "speech-dispatcher", nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) {
      pid_ = 0;
      return;
    }
    // Ready once its socket exists; give up after ten seconds.
    for (int i = 0; i < 200 && !fs::exists(socket_); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  ~PrivateSpeechDispatcher() { Stop(); }

  bool Running() const { return pid_ != 0 && fs::exists(socket_); }
  std::string Socket() const { return socket_.string(); }
  void Stop() {
    if (pid_ == 0) return;
    kill(-pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    kill(-pid_, SIGKILL);  // whatever of the group is still there
    pid_ = 0;
  }

 private:
  fs::path socket_;
  pid_t pid_ = 0;
};

TEST(SpeechdScreenReaderTest, SpeaksThroughARunningServiceAndFailsWhenItGoesAway) {
  TemporaryFolder folder;
  PrivateSpeechDispatcher service(folder.path());
  if (!service.Running()) GTEST_SKIP() << "speech-dispatcher could not be started here";
  SpeechdOptions options;
  options.unix_socket = service.Socket();
  options.autospawn = false;
  SpeechdScreenReader reader(options);
  EXPECT_NO_THROW(reader.SayString("Altitude five hundred", false));
  EXPECT_NO_THROW(reader.StopSpeech());
  EXPECT_NO_THROW(reader.SayString("Fuel: \xFF eighty", true));
  EXPECT_NO_THROW(reader.SayString("", false));

  service.Stop();
  // The first call may still be written before the service's end is noticed; within a few
  // calls the lost connection must show, and from then on every call fails.
  bool failed = false;
  for (int i = 0; i < 3 && !failed; ++i) {
    try {
      reader.SayString("Are you there?", false);
    } catch (const PlatformError&) {
      failed = true;
    }
  }
  EXPECT_TRUE(failed);
  EXPECT_THROW(reader.StopSpeech(), PlatformError);
  EXPECT_THROW(SpeechdScreenReader again(options), PlatformError);
}

}  // namespace
}  // namespace veltro::platform::desktop
