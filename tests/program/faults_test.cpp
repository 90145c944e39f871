// SPDX-License-Identifier: GPL-3.0-or-later
// Faults from outside the program, each injected into a whole run: the game must report what it
// should, once, and still fly to the end of a flight.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <regex>
#include <sstream>
#include <thread>
#include <utility>

#include "platform/desktop/desktop_speech_backends.h"
#include "program/program_fixture.h"
#include "speech/speech_form.h"
#include "support/audio_file_fixtures.h"
#include "support/speechd_service.h"

namespace veltro::app {
namespace {

namespace fs = std::filesystem;

// A message about the sound device: its box, and its text and keys said.
const std::string kDeviceMessage[] = {
    "[message box \"Error\": Unable to initialize DirectSound",
    " Unable to initialize DirectSound - sound card may not be present\n", " " + kBoxKeys + "\n"};

// How many PlaySound calls of a sound log returned a sound.
int SoundsPlayed(const std::string& sound_log) {
  static const std::regex played(R"(PlaySound\(.*\) -> [1-9])");
  return static_cast<int>(std::distance(
      std::sregex_iterator(sound_log.begin(), sound_log.end(), played), std::sregex_iterator()));
}

// A program folder of the game's own sounds, for a fault to damage.
struct SoundFolder {
  testing::TempDir dir;
  SoundFolder() {
    for (const auto& entry : fs::directory_iterator(VELTRO_BIN_DIR)) {
      if (entry.path().extension() == ".wav") fs::copy(entry.path(), dir.path);
    }
  }
};

struct InProcessFault {
  const char* name;
  std::function<void(SoundFolder&)> damage;  // before the run, which starts in the folder
  // Once the run is built; a timer it starts is kept in `timer` for the run.
  std::function<void(HeadlessRun&, std::unique_ptr<platform::Timer>& timer)> inject;
  int boxes;                  // device messages expected
  bool sounds_heard;          // some PlaySound returned a sound
  const char* reported;       // on stderr, once; "" for nothing
  bool ini_reported = false;  // lines of sounds.ini reported as unrecognized
};

TEST(FaultTest, EachFaultIsReportedAsItShouldAndTheFlightGoesToItsEnd) {
  const InProcessFault faults[] = {
      {"no sound device", nullptr,
       [](HeadlessRun& run, auto&) { run.sound().SetDeviceMissing(true); }, 8, false, ""},
      {"every sound file missing",
       [](SoundFolder& folder) {
         for (const auto& entry : fs::directory_iterator(folder.dir.path)) fs::remove(entry);
       },
       nullptr, 0, false, ""},
      {"a damaged altitude tone",
       [](SoundFolder& folder) {
         folder.dir.Write("alt.wav", std::string("RIFF\x10\0\0\0WAVEjunk", 16));
       },
       nullptr, 0, true, "alt.wav\": "},
      {"the sound device gone in mid-flight", nullptr,
       [](HeadlessRun& run, std::unique_ptr<platform::Timer>& breaker) {
         breaker = run.events().CreateTimer([&run, &breaker] {
           run.sound().SetDeviceGone(true);
           breaker->SetEnabled(false);
         });
         breaker->SetInterval(8000);
         breaker->SetEnabled(true);
       },
       0, true, ""},
      // sounds.ini is read from the folder the program starts in.
      {"a folder in the place of sounds.ini",
       [](SoundFolder& folder) { fs::create_directory(folder.dir.File("sounds.ini")); }, nullptr, 0,
       true, ""},
      {"a binary sounds.ini",
       [](SoundFolder& folder) {
         std::string bytes;
         for (int i = 0; i < 3000; ++i) bytes += static_cast<char>((i * 7919 + i / 13) % 256);
         folder.dir.Write("sounds.ini", bytes);
       },
       nullptr, 0, true, "", true},
  };
  const fs::path started_in = fs::current_path();
  for (const InProcessFault& fault : faults) {
    SCOPED_TRACE(fault.name);
    SoundFolder folder;
    if (fault.damage) fault.damage(folder);
    std::ostringstream speech_log, sound_log;
    HeadlessOptions options = InProcess("moon_free_fall.keys", speech_log, folder.dir.path);
    options.sound_log = &sound_log;
    HeadlessRun run(options);
    std::unique_ptr<platform::Timer> timer;
    if (fault.inject) fault.inject(run, timer);
    ::testing::internal::CaptureStderr();
    fs::current_path(folder.dir.path);
    const RunOutcome outcome = run.Run();
    fs::current_path(started_in);
    const std::string errors = ::testing::internal::GetCapturedStderr();

    ExpectFlownToTheEnd(outcome.status, speech_log.str());
    const std::string said = speech_log.str();
    for (const std::string& part : kDeviceMessage)
      EXPECT_EQ(Count(said, part), fault.boxes) << part;
    EXPECT_EQ(Count(said, "[answered OK]"), Count(said, "[message box"));  // every box answered
    EXPECT_EQ(Count(said, "unrecognized parameter in line") > 0, fault.ini_reported);
    EXPECT_EQ(SoundsPlayed(sound_log.str()) > 0, fault.sounds_heard);
    if (*fault.reported != '\0') {
      EXPECT_EQ(Count(errors, fault.reported), 1) << errors;
    } else {
      EXPECT_EQ(errors, "");
    }
  }
}

// The documented way to follow the game in a terminal, into a pipe whose reader has gone.
TEST(FaultTest, ASpeechLogWhoseReaderLeftIsReportedOnceAndTheFlightGoesOn) {
  testing::TempDir dir;
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  close(pipe_ends[0]);
  if (fork() == 0) {
    dup2(pipe_ends[1], STDOUT_FILENO);
    if (freopen(dir.File("errors").c_str(), "w", stderr) == nullptr) _exit(126);
    execl(VELTRO_BIN_DIR "/veltro-lander", "veltro-lander", "--headless", "--speech-log", "-",
          "--keys", VELTRO_SOURCE_DIR "/tests/program/scripts/moon_free_fall.keys", nullptr);
    _exit(127);
  }
  close(pipe_ends[1]);
  int status = 0;
  wait(&status);
  // The script waits for the final report before it leaves: status 0 is a flight to its end.
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Count(ReadFile(dir.File("errors")), "speech log cannot be written (Broken pipe)"), 1);
}

// The real screen reader channel and voice, on a speech-dispatcher of the test's own, which in
// mid-flight stops answering, goes (and is back once the voice has taken over, for Control-1 to
// find it in the menu), or is replaced by a stranger.
TEST(FaultTest, ASpeechServiceLostInAnyWayLeavesTheFlightToItsEndThroughTheVoice) {
  enum class Fault { kStopped, kGoneAndBack, kReplaced };
  for (const Fault fault : {Fault::kStopped, Fault::kGoneAndBack, Fault::kReplaced}) {
    SCOPED_TRACE(static_cast<int>(fault));
    testing::SpeechdService service("speechd-faults");
    if (!service.Start()) GTEST_SKIP() << "speech-dispatcher could not start here";
    std::optional<testing::GarbagePeer> stranger;
    platform::desktop::DesktopSpeechBackends backends(
        {service.Options(),
         {platform::desktop::EspeakOptions::Output::kMemory, "",
          std::make_shared<platform::desktop::CapturedAudio>()}});
    std::ostringstream log;
    HeadlessOptions options = InProcess(
        fault == Fault::kGoneAndBack ? "screen_reader_returns.keys" : "moon_free_fall.keys", log);
    options.speech_backends = &backends;
    HeadlessRun run(options);
    // Eight seconds in, during the flight. The clock is virtual and the channel works in real
    // time: each round gives it a moment while the clock stands still.
    bool broken = false, back = false;
    std::unique_ptr<platform::Timer> breaker = run.events().CreateTimer([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      breaker->SetInterval(500);
      if (!std::exchange(broken, true)) {
        service.Signal(fault == Fault::kStopped ? SIGSTOP : SIGKILL);
        if (fault != Fault::kStopped) service.Stop();
        if (fault == Fault::kReplaced) stranger.emplace(service.Options().unix_socket);
      } else if (fault == Fault::kGoneAndBack && !back) {
        back = Count(log.str(), speech::FRMTTS::kScreenReaderLost) > 0 && service.Start();
      }
    });
    breaker->SetInterval(8000);
    breaker->SetEnabled(true);

    ::testing::internal::CaptureStderr();
    const RunOutcome outcome = run.Run();
    ::testing::internal::GetCapturedStderr();
    service.Signal(SIGCONT);
    const std::string said = log.str();
    ExpectFlownToTheEnd(outcome.status, said);
    // The voice takes over without a box and says so, once (a service that hangs may take longer
    // to give up than the rest of the flight lasts in real time); no mark is lost.
    EXPECT_EQ(Count(said, "[message box"), 0);
    const int notices = Count(said, speech::FRMTTS::kScreenReaderLost);
    EXPECT_EQ(notices, fault == Fault::kStopped ? notices > 0 : 1);
    for (const char* mark : {" 800\n", " 700\n", " 500\n", " 100\n"}) {
      EXPECT_EQ(Count(said, mark), 1) << mark;
    }
    // Control-1 in the menu brought the restarted service back for the next item.
    EXPECT_TRUE(fault != Fault::kGoneAndBack || (back && service.Queued("Earth")));
  }
}

}  // namespace
}  // namespace veltro::app
