#include <gtest/gtest.h>

#include "platform/headless/headless_ui.h"
#include "platform/headless/script.h"
#include "platform/headless/script_player.h"
#include "platform/keys.h"

namespace veltro::platform::headless {
namespace {

using Kind = ScriptCommand::Kind;

TEST(ScriptTest, KeysMapToVirtualKeyCodesAndModifierMasks) {
  auto key = [](const char* name) {
    std::optional<ScriptKey> key = ParseKey(name);
    return key ? std::pair<int, int>(key->code, key->shift) : std::pair<int, int>(-1, -1);
  };
  std::vector<int> codes;
  for (const char* name : {"Space", "return", "Escape", "Tab", "Up", "Down", "Left", "Right",
                           "Home", "End", "F1", "q", "Z", "0"}) {
    codes.push_back(key(name).first);
    EXPECT_EQ(key(name).second, 0) << name;
  }
  EXPECT_EQ(codes, (std::vector<int>{keys::kSpace, keys::kReturn, keys::kEscape, keys::kTab,
                                     keys::kUp, keys::kDown, keys::kLeft, keys::kRight, keys::kHome,
                                     keys::kEnd, keys::kF1, 'Q', 'Z', '0'}));
  EXPECT_EQ(key("Shift+F1"), (std::pair<int, int>(keys::kF1, keys::kShiftMask)));
  EXPECT_EQ(key("Ctrl+3"), (std::pair<int, int>('3', keys::kControlMask)));
  EXPECT_EQ(key("Alt+A"), (std::pair<int, int>('A', keys::kAltMask)));
  EXPECT_EQ(key("Ctrl+Shift+A"), (std::pair<int, int>('A', keys::kControlMask | keys::kShiftMask)));
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
      "wait-say keeps # in the text");
  std::vector<Kind> kinds;
  for (const ScriptCommand& command : commands) kinds.push_back(command.kind);
  EXPECT_EQ(kinds, (std::vector<Kind>{Kind::kWaitSay, Kind::kPress, Kind::kDown, Kind::kSleep,
                                      Kind::kUp, Kind::kWaitSay}));
  EXPECT_EQ(commands[0].text, "Where would you like to land?");
  EXPECT_EQ(commands[0].line, 3);
  EXPECT_EQ(commands[1].key.code, keys::kDown);
  EXPECT_DOUBLE_EQ(commands[3].seconds, 2.5);
  EXPECT_EQ(commands[5].text, "keeps # in the text");
  EXPECT_EQ(commands[5].line, 8);
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
    EXPECT_EQ(error_of(bad).rfind("script line 1: sleep needs", 0), 0u) << bad;
  }
}

// Plays a script into a headless user interface and records the keys that reach the program.
class ScriptPlayerTest : public ::testing::Test, public KeyHandler {
 protected:
  struct Event {
    bool down;
    int16_t code, shift;
    double time;
  };
  void KeyDown(int16_t key, int16_t shift) override { events.push_back({1, key, shift, Now()}); }
  void KeyUp(int16_t key, int16_t shift) override { events.push_back({0, key, shift, Now()}); }
  double Now() { return clock.Now(); }
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

  VirtualClock clock;
  HeadlessUi ui{clock, {}};
  std::vector<Event> events;
  std::unique_ptr<ScriptPlayer> player;
};

TEST_F(ScriptPlayerTest, PressSleepAndHeldKeysFollowTheVirtualClock) {
  Play("press Ctrl+A\nsleep 2\ndown Space\nsleep 1.5\nup Space\npress F1\npress Shift+F1");
  // Keys arrive only when the queue is served, not while the program pauses.
  for (int i = 0; i < 100; ++i) ui.Pause();
  EXPECT_TRUE(events.empty());
  WaitFor(5.0);
  ASSERT_EQ(events.size(), 8u);
  EXPECT_TRUE(events[0].down && events[0].code == 'A' && events[0].shift == keys::kControlMask);
  EXPECT_FALSE(events[1].down);
  EXPECT_NEAR(events[1].time - events[0].time, ScriptPlayer::kPressSeconds, 0.0015);
  EXPECT_TRUE(events[2].down && events[2].code == keys::kSpace);
  EXPECT_NEAR(events[2].time - events[1].time, 2.0, 0.0015);
  EXPECT_NEAR(events[3].time - events[2].time, 1.5, 0.0015);
  // F1 opens the help and still reaches the program; Shift+F1 is the program's own key help.
  EXPECT_EQ(events[4].code, keys::kF1);
  EXPECT_EQ(ui.help_opened(), 1);
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

}  // namespace
}  // namespace veltro::platform::headless
