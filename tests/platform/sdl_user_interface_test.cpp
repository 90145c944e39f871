#include "platform/desktop/sdl_user_interface.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <thread>
#include <vector>

#include "platform/keys.h"
#include "platform/platform_error.h"
#include "sdl_test_display.h"

namespace veltro::platform::desktop {
namespace {

using testing::RunOnDisplay;
using testing::TestDisplay;

struct KeyRecord {
  bool down;
  int16_t code, shift;
  bool operator==(const KeyRecord&) const = default;
};

void PrintTo(const KeyRecord& key, std::ostream* out) {
  *out << (key.down ? "down " : "up ") << key.code << " shift " << key.shift;
}

class RecordingTarget : public KeyHandler {
 public:
  void KeyDown(int16_t code, int16_t shift) override { keys.push_back({true, code, shift}); }
  void KeyUp(int16_t code, int16_t shift) override { keys.push_back({false, code, shift}); }
  std::vector<KeyRecord> keys;
};

class SdlUserInterfaceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { display_ = new TestDisplay(); }
  static void TearDownTestSuite() {
    delete display_;
    display_ = nullptr;
  }
  void SetUp() override {
    if (!display_->ok()) GTEST_SKIP() << "Xvfb could not be started";
    ui_ = std::make_unique<SdlUserInterface>("3");
    ui_->SetKeyTarget(&target_);
  }

  // Serves the queue until `count` key events have arrived or a few seconds have passed.
  void PumpUntilKeys(size_t count) {
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (target_.keys.size() < count && std::chrono::steady_clock::now() < give_up) {
      ui_->DoEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  void PushKey(Uint32 type, SDL_Keycode sym, Uint16 mod, Uint8 repeat = 0) {
    SDL_Event event{};
    event.key.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat;
    event.key.keysym.sym = sym;
    event.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
  }

  static TestDisplay* display_;
  RecordingTarget target_;
  std::unique_ptr<SdlUserInterface> ui_;
};

TestDisplay* SdlUserInterfaceTest::display_ = nullptr;

TEST(SdlUserInterfaceWithoutDisplay, SaysClearlyThatNoDisplayCouldBeOpened) {
  testing::IsolateFromDesktopBuses();
  std::string saved = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  setenv("DISPLAY", "unix:/nonexistent/veltro-no-display", 1);
  setenv("SDL_VIDEODRIVER", "x11", 1);
  try {
    SdlUserInterface ui("");
    ADD_FAILURE() << "a window opened without a display";
  } catch (const PlatformError& failure) {
    EXPECT_NE(std::string(failure.what()).find("no display"), std::string::npos) << failure.what();
  }
  unsetenv("SDL_VIDEODRIVER");
  if (saved.empty()) {
    unsetenv("DISPLAY");
  } else {
    setenv("DISPLAY", saved.c_str(), 1);
  }
}

TEST_F(SdlUserInterfaceTest, KeyEventsReachTheTargetAsVirtualKeysWithModifiers) {
  ui_->ShowMainWindow("Veltro Lander");
  PushKey(SDL_KEYDOWN, SDLK_SPACE, KMOD_NONE);
  PushKey(SDL_KEYDOWN, SDLK_SPACE, KMOD_NONE, 1);  // auto-repeat is a key press again
  PushKey(SDL_KEYUP, SDLK_SPACE, KMOD_NONE);
  PushKey(SDL_KEYDOWN, SDLK_a, KMOD_LSHIFT);
  PushKey(SDL_KEYDOWN, SDLK_3, KMOD_RCTRL);
  PushKey(SDL_KEYDOWN, SDLK_APPLICATION, KMOD_NONE);  // no code: not delivered
  ui_->DoEvents();
  std::vector<KeyRecord> expected = {{true, keys::kSpace, 0},
                                     {true, keys::kSpace, 0},
                                     {false, keys::kSpace, 0},
                                     {true, 'A', keys::kShiftMask},
                                     {true, '3', keys::kControlMask}};
  EXPECT_EQ(target_.keys, expected);

  // The previous target is handed back; without a target keys are dropped.
  EXPECT_EQ(ui_->SetKeyTarget(nullptr), &target_);
  PushKey(SDL_KEYDOWN, SDLK_q, KMOD_NONE);
  ui_->DoEvents();
  EXPECT_EQ(target_.keys.size(), expected.size());
}

TEST_F(SdlUserInterfaceTest, RealXKeystrokesArriveThroughTheWindow) {
  ui_->ShowMainWindow("Veltro Lander");
  ui_->DoEvents();
  ASSERT_EQ(RunOnDisplay("xdotool key --delay 30 shift+a Escape && "
                         "xdotool keydown space sleep 0.1 keyup space"),
            0);
  PumpUntilKeys(8);
  // xdotool lets go of the keys of a chord in the order it pressed them.
  std::vector<KeyRecord> expected = {{true, keys::kShift, keys::kShiftMask},
                                     {true, 'A', keys::kShiftMask},
                                     {false, keys::kShift, 0},
                                     {false, 'A', 0},
                                     {true, keys::kEscape, 0},
                                     {false, keys::kEscape, 0},
                                     {true, keys::kSpace, 0},
                                     {false, keys::kSpace, 0}};
  EXPECT_EQ(target_.keys, expected);
}

TEST_F(SdlUserInterfaceTest, F1AndTheSentF1OpenTheHelpPageAndStillReachTheGame) {
  EXPECT_EQ(ui_->help_page_path, ui_->ProgramFolder() + "/help.html");
  ui_->help_page_path = VELTRO_BIN_DIR "/help.html";  // where the build puts it
  std::vector<std::string> opened;
  ui_->open_url = [&](const std::string& url) { opened.push_back(url); };
  ui_->SendKeys("{F1}");
  PushKey(SDL_KEYDOWN, SDLK_F1, KMOD_NONE);
  PushKey(SDL_KEYDOWN, SDLK_F1, KMOD_NONE, 1);  // holding F1 opens it once
  PushKey(SDL_KEYDOWN, SDLK_F1, KMOD_LSHIFT);   // Shift-F1 is the game's key list, not the page
  ui_->DoEvents();
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], "file://" VELTRO_BIN_DIR "/help.html");
  ASSERT_EQ(target_.keys.size(), 5u);
  EXPECT_EQ(target_.keys[0], (KeyRecord{true, keys::kF1, 0}));
  EXPECT_EQ(target_.keys[1], (KeyRecord{false, keys::kF1, 0}));
  EXPECT_EQ(target_.keys[4], (KeyRecord{true, keys::kF1, keys::kShiftMask}));

  // A browser that cannot be started, or a missing page, is reported, not thrown at the game.
  ui_->open_url = [](const std::string&) { throw PlatformError("no browser"); };
  ui_->SendKeys("{f1}");
  EXPECT_NO_THROW(ui_->DoEvents());
  ui_->help_page_path = VELTRO_BIN_DIR "/no-such-help.html";
  ui_->open_url = [&](const std::string& url) { opened.push_back(url); };
  ui_->SendKeys("{f1}");
  EXPECT_NO_THROW(ui_->DoEvents());
  EXPECT_EQ(opened.size(), 2u);
}

TEST_F(SdlUserInterfaceTest, SendKeysUnderstandsModifiersAndNamedKeys) {
  ui_->SendKeys("+a^3{enter}");
  ui_->DoEvents();
  std::vector<KeyRecord> expected = {
      {true, 'A', keys::kShiftMask},   {false, 'A', keys::kShiftMask},
      {true, '3', keys::kControlMask}, {false, '3', keys::kControlMask},
      {true, keys::kReturn, 0},        {false, keys::kReturn, 0}};
  EXPECT_EQ(target_.keys, expected);
  EXPECT_THROW(ui_->SendKeys("{nosuchkey}"), PlatformError);
  EXPECT_THROW(ui_->SendKeys("{f1"), PlatformError);
}

TEST_F(SdlUserInterfaceTest, TimersFireFromTheLoopUntilTheProgramEnds) {
  int ticks = 0;
  auto start = std::chrono::steady_clock::now();
  auto timer = ui_->CreateTimer([&] {
    if (++ticks == 10) ui_->EndProgram();
  });
  EXPECT_FALSE(timer->Enabled());
  EXPECT_EQ(timer->Interval(), 0);
  timer->SetInterval(20);
  timer->SetEnabled(true);
  EXPECT_THROW(ui_->RunMessageLoop(), ProgramEnded);
  EXPECT_EQ(ticks, 10);
  // Sanity only: ten 20 ms ticks cannot come in much less than 200 ms.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));

  // A disabled timer, or one with no interval, never fires.
  timer->SetEnabled(false);
  auto idle = ui_->CreateTimer([&] { ADD_FAILURE() << "a timer without an interval fired"; });
  idle->SetEnabled(true);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  ui_->DoEvents();
  EXPECT_EQ(ticks, 10);
}

TEST_F(SdlUserInterfaceTest, IdleDoEventsStillWakesForTimersAndKeys) {
  // A menu serves the queue in a loop; with nothing to do each round sleeps, but must neither miss
  // a timer nor a key pressed meanwhile (here from another thread, as the X server would).
  int ticks = 0;
  auto timer = ui_->CreateTimer([&] { ++ticks; });
  timer->SetInterval(3);
  timer->SetEnabled(true);
  std::thread presser([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    PushKey(SDL_KEYDOWN, SDLK_RETURN, KMOD_NONE);
  });
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while ((ticks < 5 || target_.keys.empty()) && std::chrono::steady_clock::now() < give_up) {
    ui_->DoEvents();
  }
  presser.join();
  EXPECT_GE(ticks, 5);
  EXPECT_EQ(target_.keys, (std::vector<KeyRecord>{{true, keys::kReturn, 0}}));
}

TEST_F(SdlUserInterfaceTest, TimersMayServeTheQueueAndComeAndGoInsideTheirOwnTicks) {
  int outer_ticks = 0, inner_ticks = 0, nested_calls = 0;
  bool in_outer = false;
  std::unique_ptr<Timer> inner = ui_->CreateTimer([&] { ++inner_ticks; });
  inner->SetInterval(1);
  inner->SetEnabled(true);
  std::unique_ptr<Timer> outer;
  outer = ui_->CreateTimer([&] {
    ++outer_ticks;
    if (in_outer) {
      ++nested_calls;  // fired again while its own tick serves the queue
      return;
    }
    in_outer = true;
    for (int i = 0; i < 20; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      ui_->DoEvents();
    }
    inner.reset();  // destroyed from inside a tick
    in_outer = false;
    if (outer_ticks > 3) outer.reset();  // destroys itself
  });
  outer->SetInterval(2);
  outer->SetEnabled(true);
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (outer && std::chrono::steady_clock::now() < give_up) ui_->DoEvents();
  EXPECT_EQ(outer, nullptr);
  EXPECT_GT(inner_ticks, 0);
  EXPECT_GT(nested_calls, 0);
  int inner_after = inner_ticks;
  ui_->DoEvents();
  EXPECT_EQ(inner_ticks, inner_after);
}

TEST_F(SdlUserInterfaceTest, MessageBoxIsPrintedHandedToTheHookAndAnsweredByKeys) {
  ui_->ShowMainWindow("Veltro Lander");
  std::vector<std::string> heard;
  ui_->on_message_box = [&](const std::string& text, const std::string& title) {
    heard.push_back(title + ": " + text);
  };
  // Keeps pressing a key until the box has gone (the box blocks this thread).
  auto press_until_closed = [](std::string key, const std::atomic<bool>& done) {
    return std::thread([key, &done] {
      for (int i = 0; i < 100 && !done; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        // A bare X server has no window manager to give the box the keyboard: focus it here.
        RunOnDisplay(
            "id=$(xwininfo -root -tree | awk '/\"Box test\"/ {print $1}'); "
            "[ -n \"$id\" ] && xdotool windowfocus $id key " +
            key + " 2>/dev/null");
      }
    });
  };
  std::atomic<bool> done = false;
  std::thread presser = press_until_closed("Escape", done);
  MessageBoxResult cancelled =
      ui_->MessageBox("Speech is not available", "Box test", MessageBoxIcon::kCritical,
                      MessageBoxButtons::kOkCancel);
  done = true;
  presser.join();
  EXPECT_EQ(cancelled, MessageBoxResult::kCancel);

  done = false;
  presser = press_until_closed("Return", done);
  MessageBoxResult ok =
      ui_->MessageBox("Second", "Box test", MessageBoxIcon::kNone, MessageBoxButtons::kOkCancel);
  done = true;
  presser.join();
  EXPECT_EQ(ok, MessageBoxResult::kOk);
  EXPECT_EQ(heard,
            (std::vector<std::string>{"Box test: Speech is not available", "Box test: Second"}));
}

TEST_F(SdlUserInterfaceTest, FilesAndTheProgramFolder) {
  std::string folder = ui_->ProgramFolder();
  EXPECT_NE(folder.back(), '/');
  EXPECT_EQ(std::filesystem::canonical(folder),
            std::filesystem::canonical("/proc/self/exe").parent_path());

  auto path = std::filesystem::temp_directory_path() / "veltro-sdl-ui-test.ini";
  {
    std::ofstream out(path, std::ios::binary);
    out << "SoundBuffers=40\r\n; comment\rLast";
  }
  EXPECT_TRUE(ui_->FileExists(path.string()));
  EXPECT_EQ(ui_->ReadLines(path.string()),
            (std::vector<std::string>{"SoundBuffers=40", "; comment", "Last"}));
  std::filesystem::remove(path);
  EXPECT_FALSE(ui_->FileExists(path.string()));
  EXPECT_FALSE(ui_->FileExists(folder));  // a folder is not a file
  EXPECT_THROW(ui_->ReadLines(path.string()), PlatformError);
  EXPECT_EQ(ui_->CommandLine(), "3");
}

TEST_F(SdlUserInterfaceTest, RandomNumbersAreInRangeAndFollowTheSeed) {
  ui_->SeedRandom(12345.5f);
  std::vector<double> first;
  for (int i = 0; i < 1000; ++i) {
    double r = ui_->Random();
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
    first.push_back(r);
  }
  ui_->SeedRandom(12345.5f);
  EXPECT_EQ(ui_->Random(), first[0]);
  ui_->SeedRandom(12346.5f);
  EXPECT_NE(ui_->Random(), first[0]);
  float a = ui_->Clock();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_GT(ui_->Clock(), a);
}

}  // namespace
}  // namespace veltro::platform::desktop
