// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <sstream>

#include "platform/base/environment.h"
#include "platform/base/platform_error.h"
#include "platform/base/text_lines.h"
#include "platform/events/keys.h"
#include "platform/events/quit_signals.h"
#include "platform/headless/headless_event_loop.h"
#include "platform/headless/recording_speech.h"
#include "platform/headless/script.h"
#include "platform/headless/script_player.h"
#include "support/audio_file_fixtures.h"

namespace veltro::platform::headless {
namespace {

class HeadlessEventLoopTest : public ::testing::Test {
 protected:
  std::unique_ptr<Timer> StartTimer(int32_t milliseconds, std::function<void()> on_tick) {
    auto timer = ui.CreateTimer(std::move(on_tick));
    timer->SetInterval(milliseconds);
    timer->SetEnabled(true);
    return timer;
  }

  VirtualClock clock;
  HeadlessEventLoop ui{clock};
};

TEST_F(HeadlessEventLoopTest, ClockMovesOnlyWhileTheProgramWaitsUpToTheTimeLimit) {
  auto timer = StartTimer(20, [] {});
  EXPECT_EQ(ui.Clock(), 0.0f);
  ui.DoEvents();
  ui.Pause();
  EXPECT_DOUBLE_EQ(clock.Now(), 2 * HeadlessEventLoop::kQuantum);
  // The time limit ends even a polling loop of the program's own.
  EXPECT_THROW(for (;;) ui.Pause(), ProgramEnded);
  EXPECT_DOUBLE_EQ(clock.Now(), HeadlessEventLoop::kDefaultMaxSeconds);
}

TEST_F(HeadlessEventLoopTest, TimersFireInDueOrderAndTheLoopJumpsBetweenThem) {
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

TEST_F(HeadlessEventLoopTest, ALateTimerKeepsItsRhythmWithoutABurstToCatchUp) {
  std::vector<double> ticks;
  auto timer = StartTimer(10, [&] { ticks.push_back(clock.Now()); });
  clock.Advance(0.1045);  // ten ticks late
  for (int i = 0; i < 25; ++i) ui.DoEvents();
  ASSERT_EQ(ticks.size(), 3u);  // once at once, then every 10 ms from then on
  EXPECT_NEAR(ticks[1] - ticks[0], 0.01, 1e-9);
  EXPECT_NEAR(ticks[2] - ticks[1], 0.01, 1e-9);
}

TEST_F(HeadlessEventLoopTest, TimerMayFireAgainInsideItsOwnHandler) {
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

TEST_F(HeadlessEventLoopTest, TimerDisabledDestroyedByAHandlerOrWithoutIntervalDoesNotFire) {
  int first = 0, second = 0, third = 0;
  std::unique_ptr<Timer> a, b, c;
  a = StartTimer(10, [&] {
    ++first;
    b->SetEnabled(false);  // due at the same moment, but now off
    a.reset();             // destroys itself while running
  });
  b = StartTimer(10, [&] { ++second; });
  c = StartTimer(10, [&] { ++third; });
  auto idle = StartTimer(0, [] { ADD_FAILURE() << "a timer without an interval fired"; });
  for (int i = 0; i < 40; ++i) ui.DoEvents();
  EXPECT_EQ(std::tuple(first, second, third), std::tuple(1, 0, 4));
  c->SetEnabled(false);
  c->SetEnabled(true);  // restarts a full interval from now
  for (int i = 0; i < 9; ++i) ui.DoEvents();
  EXPECT_EQ(third, 4);
  ui.DoEvents();
  EXPECT_EQ(third, 5);
}

TEST(EnvironmentTest, RandomStaysBelowOneAndRepeatsForTheSameSeedAndSalt) {
  Environment one("", ""), same("", ""), salted("", "", 7);
  for (Environment* e : {&one, &same, &salted}) e->SeedRandom(1.5f);
  bool salt_differs = false;
  for (int i = 0; i < 1000; ++i) {
    double value = one.Random();
    ASSERT_TRUE(value >= 0.0 && value < 1.0);
    ASSERT_EQ(value, same.Random());
    salt_differs |= value != salted.Random();
  }
  EXPECT_TRUE(salt_differs);
}

TEST(EnvironmentTest, TextFilesAreReadAsLinesEndedByCrCrLfOrLf) {
  const Environment ui(ExecutableFolder(), "");
  using Lines = std::vector<std::string>;
  // The last line needs no ending (the file below); a line feed after a carriage return belongs
  // to it, one before it ends a line of its own.
  const std::pair<const char*, Lines> kTexts[] = {
      {"a\rb\r\nlast\r\n", {"a", "b", "last"}},
      {"a\nb\n\nlast\n", {"a", "b", "", "last"}},
      {"a\r\r\nb\n\rc\r\n\nlast", {"a", "", "b", "", "c", "", "last"}},
      {"", {}},
  };
  for (const auto& [text, lines] : kTexts) EXPECT_EQ(SplitLines(text), lines) << text;

  testing::TempDir dir;
  const std::string path = dir.Write("sounds.ini", "[Sound]\r\nBuffers=40\rlast");
  EXPECT_TRUE(ui.FileExists(path));
  EXPECT_EQ(ui.ReadLines(path), (Lines{"[Sound]", "Buffers=40", "last"}));
  std::filesystem::remove(path);
  EXPECT_FALSE(ui.FileExists(path));
  EXPECT_THROW(ui.ReadLines(path), PlatformError);
  EXPECT_FALSE(ui.FileExists(dir.path));  // a folder is not a file
  EXPECT_EQ(ExecutableFolder(),
            std::filesystem::read_symlink("/proc/self/exe").parent_path().string());
}

// The speech log of a headless run, on the event loop's clock.
// A quit signal no longer kills the process outright: the run ends through the program's way out
// (so its logs are written) with the status a shell gives a signal.
TEST_F(HeadlessEventLoopTest, AQuitSignalEndsTheRunWith128PlusTheSignal) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    QuitSignals signals;
    ui.SetQuitSignals(&signals);
    auto timer = StartTimer(20, [signal] { std::raise(signal); });
    try {
      ui.RunMessageLoop();
    } catch (const ProgramEnded& ended) {
      EXPECT_EQ(ended.status, 128 + signal);
    }
    ui.SetQuitSignals(nullptr);
  }
}

TEST(ScriptTest, KeysMapToVirtualKeyCodesAndModifierMasks) {
  using namespace keys;
  // clang-format off
  const std::tuple<const char*, int, int> kKeys[] = {
      {"Space", kSpace, 0}, {"return", kReturn, 0}, {"Escape", kEscape, 0}, {"Tab", kTab, 0},
      {"Up", kUp, 0}, {"Down", kDown, 0}, {"Left", kLeft, 0}, {"Right", kRight, 0},
      {"Home", kHome, 0}, {"End", kEnd, 0}, {"F1", kF1, 0}, {"q", 'Q', 0}, {"Z", 'Z', 0},
      {"0", '0', 0}, {"Shift+F1", kF1, kShiftMask}, {"Ctrl+3", '3', kControlMask},
      {"Alt+A", 'A', kAltMask}, {"Ctrl+Shift+A", 'A', kControlMask | kShiftMask},
      {"Shift", kShift, 0}, {"control", kControl, 0}, {"Alt", kAlt, 0}};
  // clang-format on
  for (auto [name, code, shift] : kKeys) {
    std::optional<ScriptKey> key = ParseKey(name);
    ASSERT_TRUE(key) << name;
    EXPECT_EQ(key->code, code) << name;
    EXPECT_EQ(key->shift, shift) << name;
  }
  for (const char* bad : {"", "Shift+", "F2", "Enter", "AB", "Shift+Meta+A", "+A", "é"}) {
    EXPECT_FALSE(ParseKey(bad)) << bad;
  }
}

// The player tests below parse every kind of command; here: comments, blanks and line endings.
TEST(ScriptTest, CommentsEndCommandsButNotTheTextsToWaitFor) {
  auto commands = ParseScript(
      "# a flight\r\n\n"
      "  wait-say Where would you like to land?  \r\n"
      "press Down   # to Earth\nwait-say keeps # in the text");
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(commands[0].text, "Where would you like to land?");
  EXPECT_EQ(commands[1].key.code, keys::kDown);
  EXPECT_EQ(commands[2].text, "keeps # in the text");
}

TEST(ScriptTest, ErrorsNameTheLine) {
  auto error_of = [](const char* script) -> std::string {
    try {
      ParseScript(script);
    } catch (const ScriptError& error) {
      return error.what();
    }
    return "no error";
  };
  EXPECT_EQ(error_of("press Space\njump\n"), "script line 2: unknown command \"jump\"");
  EXPECT_EQ(error_of("# one\n\npress Spcae"), "script line 3: unknown key \"Spcae\"");
  EXPECT_EQ(error_of("down"), "script line 1: unknown key \"\"");
  EXPECT_EQ(error_of("wait-say   "), "script line 1: wait-say needs the text to wait for");
  for (const char* bad : {"sleep", "sleep -1", "sleep 1e9", "sleep nan", "hold Up 61", "hold Up"}) {
    EXPECT_EQ(error_of(bad).rfind("script line 1: " + std::string(bad, 4), 0), 0u) << bad;
  }
}

// Plays a script into a headless event loop and records the keys that reach the program.
class ScriptPlayerTest : public HeadlessEventLoopTest, public KeyHandler {
 protected:
  struct Event {
    bool down;
    int16_t code, shift;
    double time;
    bool repeat = false;
  };
  void KeyDown(int16_t k, int16_t s) override { events.push_back({true, k, s, clock.Now()}); }
  void KeyRepeat(int16_t k, int16_t s) override { KeyDown(k, s), events.back().repeat = true; }
  void KeyUp(int16_t k, int16_t s) override { events.push_back({false, k, s, clock.Now()}); }
  void Play(const char* script) {
    player = std::make_unique<ScriptPlayer>(ParseScript(script));
    ui.SetKeySource(player.get());
    ui.SetKeyTarget(this);
  }
  // Serves the queue like a waiting program until `seconds` have passed.
  void WaitFor(double seconds) {
    for (double end = clock.Now() + seconds; clock.Now() < end - 1e-9;) ui.DoEvents();
  }
  // The program says `text`; how many key events reached it a moment later.
  size_t Hear(const char* text) {
    player->Heard(text);
    WaitFor(0.2);
    return events.size();
  }

  std::vector<Event> events;
  std::unique_ptr<ScriptPlayer> player;
};

TEST_F(ScriptPlayerTest, PressSleepAndHeldKeysFollowTheVirtualClock) {
  Play("press Ctrl+A\nsleep 2\ndown Space\nsleep 1.5\nup Space\nhold Up 1");
  // Keys arrive only when the queue is served, not while the program pauses.
  for (int i = 0; i < 100; ++i) ui.Pause();
  EXPECT_TRUE(events.empty());
  WaitFor(5.0);
  ASSERT_EQ(events.size(), 15u);
  EXPECT_TRUE(events[0].down && events[0].code == 'A' && events[0].shift == keys::kControlMask);
  EXPECT_FALSE(events[1].down);
  EXPECT_NEAR(events[1].time - events[0].time, ScriptPlayer::kPressSeconds, 0.0015);
  EXPECT_TRUE(events[2].down && events[2].code == keys::kSpace);
  EXPECT_NEAR(events[2].time - events[1].time, 2.0, 0.0015);
  EXPECT_NEAR(events[3].time - events[2].time, 1.5, 0.0015);
  // A held key: a press, nine repeats from 0.66 s on, the release at 1 s.
  EXPECT_TRUE(events[4].down && !events[4].repeat && events[5].repeat && !events[14].down);
  EXPECT_NEAR(events[5].time - events[4].time, ScriptPlayer::kRepeatDelay, 0.0015);
  EXPECT_NEAR(events[14].time - events[4].time, 1.0, 0.0015);
  EXPECT_TRUE(player->Finished());
}

TEST_F(ScriptPlayerTest, WaitSayMatchesAnyUtteranceSinceThePreviousWaitSay) {
  Play("wait-say Moon\npress Return\nwait-say Moon\npress Escape\nwait-say A.\\r\\n\npress N");
  // Said before the script reached its wait-say, among other texts: still counts.
  player->Heard("Where would you like to land?");
  ASSERT_EQ(Hear("Moon"), 2u);
  EXPECT_EQ(events[0].code, keys::kReturn);
  // The "Moon" already matched does not satisfy the second wait-say.
  EXPECT_EQ(Hear("Where would you like to land?"), 2u);
  ASSERT_EQ(Hear("Moon "), 4u);  // blanks at the end do not matter
  EXPECT_EQ(events[2].code, keys::kEscape);
  // Line endings count, written as the log writes them.
  EXPECT_EQ(Hear("A."), 4u);
  EXPECT_EQ(Hear("A.\r\n"), 6u);
}

// A menu waiting for a key: once every timer has ticked without the program doing anything, the
// clock goes straight to the key, and the ticks passed over keep their rhythm. A program that
// looks at the clock (a flight's tick does) has every tick.
TEST_F(ScriptPlayerTest, AnIdleProgramWaitsForTheNextKeyInOneStep) {
  int looks = 0;
  std::vector<double> ticks;
  auto pump = StartTimer(10, [] {});
  auto flight = StartTimer(20, [&] {
    ticks.push_back(clock.Time());
    if (looks > 0) ui.Clock();
  });
  ui.SkipIdleTime(true);
  Play("sleep 1000\npress Return\nsleep 1\npress Escape");
  int rounds = 0;
  for (; events.empty(); ++rounds) ui.DoEvents();
  EXPECT_LT(rounds, 100);                       // in steps of a millisecond, a million
  EXPECT_NEAR(events[0].time, 1000.001, 1e-9);  // the script started in the first round
  for (double tick : ticks) EXPECT_NEAR(std::remainder(tick, 0.02), 0.0, 1e-6) << tick;

  looks = 1;
  ticks.clear();
  while (events.size() < 3) ui.DoEvents();
  EXPECT_NEAR(events[2].time, 1001.051, 1e-6);
  EXPECT_EQ(ticks.size(), 52u);  // 1000.02 to 1001.04
}

TEST_F(ScriptPlayerTest, AWaitSayHeardDuringASleepFallsDueWhenTheSleepEnds) {
  Play("sleep 1\nwait-say Moon\npress Return");
  ui.DoEvents();  // the sleep starts
  player->Heard("Moon");
  EXPECT_NEAR(player->NextDue(clock.Now()).value_or(-1), 1.0, 0.0015);
}

}  // namespace
}  // namespace veltro::platform::headless
