#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/headless/headless_ui.h"
#include "platform/platform_error.h"

namespace veltro::platform::headless {
namespace {

// Options of a headless user interface in a test: a fixed program folder.
HeadlessUi::Options TestOptions(double max_seconds = 3600.0) {
  HeadlessUi::Options options;
  options.program_folder = "/opt/veltro";
  options.max_seconds = max_seconds;
  return options;
}

HeadlessUi::Options SeededOptions(uint64_t seed) {
  HeadlessUi::Options options = TestOptions();
  options.seed = seed;
  return options;
}

HeadlessUi::Options CancellingOptions() {
  HeadlessUi::Options options = TestOptions();
  options.message_box_answer = MessageBoxResult::kCancel;
  return options;
}

class HeadlessUiTest : public ::testing::Test {
 protected:
  // Runs the message loop until a handler ends the program; returns the status.
  int RunLoop() {
    try {
      ui.RunMessageLoop();
    } catch (const platform::ProgramEnded& ended) {
      return ended.status;
    }
    ADD_FAILURE() << "the message loop returned";
    return -1;
  }

  VirtualClock clock;
  HeadlessUi ui{clock, TestOptions(30.0)};
};

TEST_F(HeadlessUiTest, ClockMovesOnlyWhileTheProgramWaits) {
  auto timer = ui.CreateTimer([] {});
  ui.Random();
  ui.MessageBox("text", "title", MessageBoxIcon::kNone, MessageBoxButtons::kOk);
  EXPECT_EQ(ui.Clock(), 0.0f);
  ui.DoEvents();
  EXPECT_DOUBLE_EQ(clock.Now(), HeadlessUi::kQuantum);
  ui.Pause();
  EXPECT_DOUBLE_EQ(clock.Now(), 2 * HeadlessUi::kQuantum);
}

TEST_F(HeadlessUiTest, TimersFireInDueOrderAndTheLoopJumpsBetweenThem) {
  std::vector<std::pair<char, double>> fired;
  std::unique_ptr<Timer> slow, fast;
  slow = ui.CreateTimer([&] { fired.push_back({'s', clock.Now()}); });
  fast = ui.CreateTimer([&] {
    fired.push_back({'f', clock.Now()});
    if (clock.Now() > 0.1) ui.EndProgram();
  });
  slow->SetInterval(30);
  fast->SetInterval(20);
  slow->SetEnabled(true);
  fast->SetEnabled(true);

  EXPECT_EQ(RunLoop(), 0);
  std::string order;
  for (auto [name, time] : fired) order += name;
  // At 60 and 120 ms both are due: the one created first fires first.
  EXPECT_EQ(order, "fsfsffsfsf");
  EXPECT_NEAR(fired[0].second, 0.02, 1e-9);
  EXPECT_NEAR(fired[2].second, 0.04, 1e-9);
  EXPECT_NEAR(fired.back().second, 0.12, 1e-9);
}

TEST_F(HeadlessUiTest, LongFlightOfTicksRunsByJumpsNotQuanta) {
  int ticks = 0;
  auto timer = ui.CreateTimer([&] {
    if (++ticks == 1000) ui.EndProgram();
  });
  timer->SetInterval(20);
  timer->SetEnabled(true);
  EXPECT_EQ(RunLoop(), 0);
  EXPECT_NEAR(clock.Now(), 20.0, 1e-6);
}

TEST_F(HeadlessUiTest, TimerMayFireAgainInsideItsOwnHandler) {
  int depth = 0, max_depth = 0, ticks = 0;
  std::unique_ptr<Timer> timer = ui.CreateTimer([&] {
    ++ticks;
    ++depth;
    max_depth = std::max(max_depth, depth);
    if (depth == 1) {
      // The handler serves the queue for 50 ms, as a menu or a wait would.
      for (int i = 0; i < 50; ++i) ui.DoEvents();
    }
    --depth;
  });
  timer->SetInterval(20);
  timer->SetEnabled(true);
  for (int i = 0; i < 20; ++i) ui.DoEvents();
  EXPECT_EQ(max_depth, 2);
  EXPECT_EQ(ticks, 3);  // at 20 ms, and nested at 40 and 60 ms
}

TEST_F(HeadlessUiTest, TimerDisabledOrDestroyedByAHandlerDoesNotFire) {
  int first = 0, second = 0, third = 0;
  std::unique_ptr<Timer> a, b, c;
  a = ui.CreateTimer([&] {
    ++first;
    b->SetEnabled(false);  // due at the same moment, but now off
    a.reset();             // destroys itself while running
  });
  b = ui.CreateTimer([&] { ++second; });
  c = ui.CreateTimer([&] { ++third; });
  for (auto* timer : {a.get(), b.get(), c.get()}) {
    timer->SetInterval(10);
    timer->SetEnabled(true);
  }
  for (int i = 0; i < 40; ++i) ui.DoEvents();
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);
  EXPECT_EQ(third, 4);
  c->SetEnabled(false);
  c->SetEnabled(true);  // restarts a full interval from now
  for (int i = 0; i < 9; ++i) ui.DoEvents();
  EXPECT_EQ(third, 4);
  ui.DoEvents();
  EXPECT_EQ(third, 5);
}

TEST_F(HeadlessUiTest, HandlerFailureIsReportedAndTheLoopGoesOn) {
  int ticks = 0;
  auto timer = ui.CreateTimer([&] {
    if (++ticks == 1) throw PlatformError("speech went away");
    ui.EndProgram();
  });
  timer->SetInterval(20);
  timer->SetEnabled(true);
  EXPECT_EQ(RunLoop(), 0);
  EXPECT_EQ(ticks, 2);
}

TEST_F(HeadlessUiTest, TimeLimitEndsTheRunWithStatusThree) {
  auto timer = ui.CreateTimer([] {});
  timer->SetInterval(1000);
  timer->SetEnabled(true);
  EXPECT_EQ(RunLoop(), HeadlessUi::kTimeLimitStatus);
  EXPECT_DOUBLE_EQ(clock.Now(), 30.0);
  EXPECT_NE(ui.time_limit_message().find("the program still runs"), std::string::npos);

  // A wait loop of the program's own is cut off the same way.
  VirtualClock clock2;
  HeadlessUi ui2{clock2, TestOptions(0.5)};
  EXPECT_THROW(for (;;) ui2.Pause(), ProgramEnded);
}

TEST_F(HeadlessUiTest, MessageBoxesAndHelpAreRecordedAndNoted) {
  std::vector<std::string> notes;
  ui.on_note = [&](const std::string& note) { notes.push_back(note); };
  EXPECT_EQ(ui.MessageBox("Error initializing screen reader or MS SAPI.", "Error! ",
                          MessageBoxIcon::kCritical, MessageBoxButtons::kOk),
            MessageBoxResult::kOk);
  ui.SendKeys("{F1}");
  ASSERT_EQ(ui.boxes().size(), 1u);
  EXPECT_EQ(ui.boxes()[0].icon, MessageBoxIcon::kCritical);
  EXPECT_EQ(ui.help_opened(), 1);
  EXPECT_EQ(notes, (std::vector<std::string>{
                       "message box \"Error! \": Error initializing screen reader or MS SAPI.",
                       "help opened"}));

  VirtualClock clock2;
  HeadlessUi cancelling{clock2, CancellingOptions()};
  EXPECT_EQ(cancelling.MessageBox("?", "", MessageBoxIcon::kNone, MessageBoxButtons::kOkCancel),
            MessageBoxResult::kCancel);
}

TEST_F(HeadlessUiTest, RandomIsUniformAndRepeatsForTheSameSeed) {
  VirtualClock clock2;
  HeadlessUi same{clock2, TestOptions()};
  HeadlessUi other_seed{clock2, SeededOptions(7)};
  ui.SeedRandom(1.5f);
  same.SeedRandom(1.5f);
  other_seed.SeedRandom(1.5f);
  int low = 0, differs = 0;
  for (int i = 0; i < 1000; ++i) {
    double value = ui.Random();
    ASSERT_GE(value, 0.0);
    ASSERT_LT(value, 1.0);
    EXPECT_EQ(value, same.Random());
    if (value != other_seed.Random()) ++differs;
    if (value < 0.5) ++low;
  }
  EXPECT_GT(differs, 990);
  EXPECT_GT(low, 400);
  EXPECT_LT(low, 600);
}

TEST_F(HeadlessUiTest, FilesAreReadFromDisk) {
  auto path = std::filesystem::temp_directory_path() / "veltro_headless_ui_test.ini";
  {
    std::ofstream file(path, std::ios::binary);
    file << "[Sound]\r\nBuffers=40\rlast";
  }
  EXPECT_TRUE(ui.FileExists(path.string()));
  EXPECT_EQ(ui.ReadLines(path.string()),
            (std::vector<std::string>{"[Sound]", "Buffers=40", "last"}));
  std::filesystem::remove(path);
  EXPECT_FALSE(ui.FileExists(path.string()));
  EXPECT_THROW(ui.ReadLines(path.string()), PlatformError);
  EXPECT_FALSE(ui.FileExists(std::filesystem::temp_directory_path().string()));
  EXPECT_EQ(ui.ProgramFolder(), "/opt/veltro");

  VirtualClock clock2;
  HeadlessUi own_folder{clock2, HeadlessUi::Options()};
  EXPECT_EQ(own_folder.ProgramFolder(),
            std::filesystem::read_symlink("/proc/self/exe").parent_path().string());
}

}  // namespace
}  // namespace veltro::platform::headless
