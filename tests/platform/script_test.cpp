#include <gtest/gtest.h>

#include "platform/headless/headless_ui.h"
#include "platform/headless/script.h"
#include "platform/headless/script_player.h"
#include "platform/keys.h"
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

using Kind = ScriptCommand::Kind;

TEST(ScriptTest, KeysMapToVirtualKeyCodesAndModifierMasks) {
  struct Case {
    const char* name;
    int16_t code, shift;
  } cases[] = {
      {"Space", keys::kSpace, 0},
      {"return", keys::kReturn, 0},
      {"Escape", keys::kEscape, 0},
      {"Tab", keys::kTab, 0},
      {"Up", keys::kUp, 0},
      {"Down", keys::kDown, 0},
      {"Left", keys::kLeft, 0},
      {"Right", keys::kRight, 0},
      {"Home", keys::kHome, 0},
      {"End", keys::kEnd, 0},
      {"F1", keys::kF1, 0},
      {"Shift+F1", keys::kF1, keys::kShiftMask},
      {"q", 'Q', 0},
      {"Z", 'Z', 0},
      {"0", '0', 0},
      {"Ctrl+3", '3', keys::kControlMask},
      {"Alt+A", 'A', keys::kAltMask},
      {"Ctrl+Shift+A", 'A', keys::kControlMask | keys::kShiftMask},
  };
  for (const Case& c : cases) {
    std::optional<ScriptKey> key = ParseKey(c.name);
    ASSERT_TRUE(key) << c.name;
    EXPECT_EQ(key->code, c.code) << c.name;
    EXPECT_EQ(key->shift, c.shift) << c.name;
  }
  for (const char* bad : {"", "Shift+", "F2", "Enter", "AB", "Shift+Meta+A", "+A", "é"}) {
    EXPECT_FALSE(ParseKey(bad)) << bad;
  }
}

TEST(ScriptTest, ParsesEveryCommandAndSkipsCommentsAndBlankLines) {
  auto commands = ParseScript(
      "# a flight\r\n"
      "\n"
      "  wait-say Where would you like to land?  \n"
      "press Down   # to Earth\n"
      "down Space\n"
      "sleep 2.5\n"
      "up Space\n"
      "wait-say Final Fuel 224, Final Velocity 100.\\r\\n\n"
      "wait-say keeps # in the text");
  ASSERT_EQ(commands.size(), 7u);
  EXPECT_EQ(commands[0].kind, Kind::kWaitSay);
  EXPECT_EQ(commands[0].text, "Where would you like to land?");
  EXPECT_EQ(commands[0].line, 3);
  EXPECT_EQ(commands[1].kind, Kind::kPress);
  EXPECT_EQ(commands[1].key.code, keys::kDown);
  EXPECT_EQ(commands[2].kind, Kind::kDown);
  EXPECT_EQ(commands[3].kind, Kind::kSleep);
  EXPECT_DOUBLE_EQ(commands[3].seconds, 2.5);
  EXPECT_EQ(commands[4].kind, Kind::kUp);
  EXPECT_EQ(commands[5].text, "Final Fuel 224, Final Velocity 100.\\r\\n");
  EXPECT_EQ(commands[6].text, "keeps # in the text");
  EXPECT_EQ(commands[6].line, 9);
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
  for (const char* bad : {"sleep", "sleep -1", "sleep 1e9", "sleep nan", "sleep 2s"}) {
    EXPECT_NE(error_of(bad).find("script line 1: sleep needs"), std::string::npos) << bad;
  }
}

// Records what reaches the keyboard's target, with the clock at that moment.
struct KeyRecorder : KeyHandler {
  explicit KeyRecorder(VirtualClock& clock) : clock(clock) {}
  void KeyDown(int16_t code, int16_t shift) override {
    events.push_back({true, code, shift, clock.Now()});
  }
  void KeyUp(int16_t code, int16_t shift) override {
    events.push_back({false, code, shift, clock.Now()});
  }
  struct Event {
    bool down;
    int16_t code, shift;
    double time;
  };
  VirtualClock& clock;
  std::vector<Event> events;
};

class ScriptPlayerTest : public ::testing::Test {
 protected:
  void Play(const char* script) {
    player = std::make_unique<ScriptPlayer>(ParseScript(script));
    ui.SetKeySource(player.get());
    ui.SetKeyTarget(&recorder);
  }
  // Serves the queue like a waiting program until `seconds` have passed.
  void WaitFor(double seconds) {
    double end = clock.Now() + seconds;
    while (clock.Now() < end - 1e-9) ui.DoEvents();
  }

  VirtualClock clock;
  HeadlessUi ui{clock, TestOptions(100.0)};
  KeyRecorder recorder{clock};
  std::unique_ptr<ScriptPlayer> player;
};

TEST_F(ScriptPlayerTest, PressSleepAndHeldKeysFollowTheVirtualClock) {
  Play("press Ctrl+A\nsleep 2\ndown Space\nsleep 1.5\nup Space");
  // Keys arrive only when the queue is served, not while the program pauses.
  for (int i = 0; i < 100; ++i) ui.Pause();
  EXPECT_TRUE(recorder.events.empty());
  WaitFor(5.0);
  ASSERT_EQ(recorder.events.size(), 4u);
  const auto& e = recorder.events;
  EXPECT_TRUE(e[0].down && e[0].code == 'A' && e[0].shift == keys::kControlMask);
  EXPECT_FALSE(e[1].down);
  EXPECT_NEAR(e[1].time - e[0].time, ScriptPlayer::kPressSeconds, 0.0015);
  EXPECT_TRUE(e[2].down && e[2].code == keys::kSpace);
  EXPECT_NEAR(e[2].time - e[1].time, 2.0, 0.0015);
  EXPECT_NEAR(e[3].time - e[2].time, 1.5, 0.0015);
  EXPECT_TRUE(player->Finished());
}

TEST_F(ScriptPlayerTest, F1OpensTheHelpAndStillReachesTheProgram) {
  Play("press F1\npress Shift+F1");
  WaitFor(1.0);
  EXPECT_EQ(ui.help_opened(), 1);  // Shift+F1 is the program's own key help
  EXPECT_EQ(recorder.events.size(), 4u);
}

TEST_F(ScriptPlayerTest, WaitSayMatchesAnyUtteranceSinceThePreviousWaitSay) {
  Play("wait-say Moon\npress Return\nwait-say Moon\npress Escape");
  // Said before the script reached its wait-say, among other texts: still counts.
  player->Heard("Where would you like to land?");
  player->Heard("Moon");
  WaitFor(0.2);
  ASSERT_EQ(recorder.events.size(), 2u);
  EXPECT_EQ(recorder.events[0].code, keys::kReturn);
  // The "Moon" already matched does not satisfy the second wait-say.
  WaitFor(1.0);
  EXPECT_EQ(recorder.events.size(), 2u);
  player->Heard("Moon ");  // blanks at the end do not matter
  WaitFor(0.2);
  ASSERT_EQ(recorder.events.size(), 4u);
  EXPECT_EQ(recorder.events[2].code, keys::kEscape);
}

TEST_F(ScriptPlayerTest, WaitSayComparesTextWithLineEndingsAsTheLogWritesThem) {
  Play("wait-say Final Velocity 3.\\r\\n\npress N");
  player->Heard("Final Velocity 3.");
  WaitFor(0.1);
  EXPECT_TRUE(recorder.events.empty());
  player->Heard("Final Velocity 3.\r\n");
  WaitFor(0.1);
  EXPECT_EQ(recorder.events.size(), 2u);
}

TEST_F(ScriptPlayerTest, TimeLimitReportsTheWaitSayStillWaiting) {
  Play("press Space\nwait-say Never said\npress Q");
  EXPECT_THROW(ui.RunMessageLoop(), ProgramEnded);
  EXPECT_EQ(recorder.events.size(), 2u);
  EXPECT_NE(ui.time_limit_message().find("wait-say \"Never said\" (script line 2)"),
            std::string::npos)
      << ui.time_limit_message();
}

}  // namespace
}  // namespace veltro::platform::headless
