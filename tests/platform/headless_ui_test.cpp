#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/headless/headless_ui.h"
#include "platform/headless/recording_speech.h"
#include "platform/platform_error.h"
#include "platform/speech_log.h"
#include "platform/text_lines.h"

namespace veltro::platform::headless {
namespace {

class HeadlessUiTest : public ::testing::Test {
 protected:
  std::unique_ptr<Timer> StartTimer(int32_t milliseconds, std::function<void()> on_tick) {
    auto timer = ui.CreateTimer(std::move(on_tick));
    timer->SetInterval(milliseconds);
    timer->SetEnabled(true);
    return timer;
  }

  VirtualClock clock;
  HeadlessUi ui{clock, {}};
};

TEST_F(HeadlessUiTest, ClockMovesOnlyWhileTheProgramWaits) {
  auto timer = StartTimer(20, [] {});
  ui.Random();
  ui.MessageBox("text", "title", MessageBoxIcon::kNone, MessageBoxButtons::kOk);
  EXPECT_EQ(ui.Clock(), 0.0f);
  ui.DoEvents();
  ui.Pause();
  EXPECT_DOUBLE_EQ(clock.Now(), 2 * HeadlessUi::kQuantum);
}

TEST_F(HeadlessUiTest, TimersFireInDueOrderAndTheLoopJumpsBetweenThem) {
  std::string order;
  std::unique_ptr<Timer> slow = StartTimer(30, [&] { order += 's'; });
  std::unique_ptr<Timer> fast = StartTimer(20, [&] {
    order += 'f';
    if (clock.Now() > 0.1) ui.EndProgram();
  });
  EXPECT_THROW(ui.RunMessageLoop(), ProgramEnded);
  // At 60 and 120 ms both are due: the one created first fires first.
  EXPECT_EQ(order, "fsfsffsfsf");
  EXPECT_NEAR(clock.Now(), 0.12, 1e-9);
}

TEST_F(HeadlessUiTest, TimerMayFireAgainInsideItsOwnHandler) {
  int depth = 0, max_depth = 0, ticks = 0;
  auto timer = StartTimer(20, [&] {
    ++ticks;
    max_depth = std::max(max_depth, ++depth);
    // The first tick serves the queue for 50 ms, as a menu or a wait would.
    for (int i = 0; depth == 1 && i < 50; ++i) ui.DoEvents();
    --depth;
  });
  for (int i = 0; i < 20; ++i) ui.DoEvents();
  EXPECT_EQ(std::pair(max_depth, ticks), std::pair(2, 3));  // ticks at 20, and nested 40, 60 ms
}

TEST_F(HeadlessUiTest, TimerDisabledOrDestroyedByAHandlerDoesNotFire) {
  int first = 0, second = 0, third = 0;
  std::unique_ptr<Timer> a, b, c;
  a = StartTimer(10, [&] {
    ++first;
    b->SetEnabled(false);  // due at the same moment, but now off
    a.reset();             // destroys itself while running
  });
  b = StartTimer(10, [&] { ++second; });
  c = StartTimer(10, [&] { ++third; });
  for (int i = 0; i < 40; ++i) ui.DoEvents();
  EXPECT_EQ(std::tuple(first, second, third), std::tuple(1, 0, 4));
  c->SetEnabled(false);
  c->SetEnabled(true);  // restarts a full interval from now
  for (int i = 0; i < 9; ++i) ui.DoEvents();
  EXPECT_EQ(third, 4);
  ui.DoEvents();
  EXPECT_EQ(third, 5);
}

TEST_F(HeadlessUiTest, TimeLimitEndsEvenAPollingLoopOfTheProgramsOwn) {
  EXPECT_THROW(for (;;) ui.Pause(), ProgramEnded);
  EXPECT_DOUBLE_EQ(clock.Now(), HeadlessUi::Options().max_seconds);
}

TEST_F(HeadlessUiTest, RandomIsUniformAndRepeatsForTheSameSeed) {
  HeadlessUi::Options seeded;
  seeded.seed = 7;
  HeadlessUi same{clock, {}}, other_seed{clock, seeded};
  for (HeadlessUi* each : {&ui, &same, &other_seed}) each->SeedRandom(1.5f);
  int low = 0, differs = 0;
  for (int i = 0; i < 1000; ++i) {
    double value = ui.Random();
    ASSERT_TRUE(value >= 0.0 && value < 1.0);
    ASSERT_EQ(value, same.Random());
    differs += value != other_seed.Random();
    low += value < 0.5;
  }
  EXPECT_GT(differs, 990);
  EXPECT_TRUE(low > 400 && low < 600) << low;
}

TEST_F(HeadlessUiTest, TextFilesAreReadAsLinesEndedByCrOrCrLf) {
  using Lines = std::vector<std::string>;
  // A line feed alone stays inside the line; the last line needs no ending.
  EXPECT_EQ(SplitLines("a\rb\r\nc\nd\r\r\nlast"), (Lines{"a", "b", "c\nd", "", "last"}));
  EXPECT_EQ(SplitLines("x\r\n"), Lines{"x"});
  EXPECT_TRUE(SplitLines("").empty());

  auto path = std::filesystem::temp_directory_path() / "veltro_headless_ui_test.ini";
  std::ofstream(path, std::ios::binary) << "[Sound]\r\nBuffers=40\rlast";
  EXPECT_TRUE(ui.FileExists(path.string()));
  EXPECT_EQ(ui.ReadLines(path.string()), (Lines{"[Sound]", "Buffers=40", "last"}));
  std::filesystem::remove(path);
  EXPECT_FALSE(ui.FileExists(path.string()));
  EXPECT_THROW(ui.ReadLines(path.string()), PlatformError);
  EXPECT_FALSE(ui.FileExists(path.parent_path().string()));  // a folder is not a file
  EXPECT_EQ(ui.ProgramFolder(),
            std::filesystem::read_symlink("/proc/self/exe").parent_path().string());
}

// The speech log of a headless run, on the user interface's clock.
class SpeechLogTest : public HeadlessUiTest {
 protected:
  RecordingSpeechBackends backends;
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
  EXPECT_EQ(backends.Spoken(), heard);  // the calls reached the real back-ends as well
}

TEST_F(SpeechLogTest, FailuresPassThroughAndAreNotLoggedAsSpoken) {
  auto voice = log.CreateSapiVoice();
  voice->SetRate(4);
  EXPECT_EQ(voice->Rate(), 4);
  EXPECT_EQ(voice->GetVoices("", "")->Count(), 2);
  backends.state().fail_voice_calls = true;
  EXPECT_THROW(voice->Speak("lost", SVSFlagsAsync), PlatformError);
  EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace veltro::platform::headless
