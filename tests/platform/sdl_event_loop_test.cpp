#include "platform/desktop/sdl_event_loop.h"
#include "platform/desktop/sdl_dialogs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/keys.h"
#include "platform/platform_error.h"
#include "sdl_test_display.h"

namespace veltro::platform::desktop {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using KeyRecord = std::tuple<bool, int, int>;  // pressed, code, Shift/Control/Alt mask
using Keys = std::vector<KeyRecord>;

class RecordingTarget : public KeyHandler {
 public:
  void KeyDown(int16_t code, int16_t shift) override { keys.emplace_back(true, code, shift); }
  void KeyUp(int16_t code, int16_t shift) override { keys.emplace_back(false, code, shift); }
  Keys keys;
};

void PushKey(Uint32 type, SDL_Keycode sym, Uint16 mod, Uint8 repeat = 0) {
  Uint8 state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  SDL_Event event{.key = {type, 0, 0, state, repeat, 0, 0, {SDL_SCANCODE_UNKNOWN, sym, mod, 0}}};
  ASSERT_EQ(SDL_PushEvent(&event), 1);
}

// The desktop's event loop with its dialogs, as the program puts them together.
class SdlUserInterfaceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { display_ = new testing::TestDisplay(); }
  static void TearDownTestSuite() { delete display_; }
  void SetUp() override {
    if (!display_->ok()) GTEST_SKIP() << "Xvfb could not be started";
    ui_ = std::make_unique<SdlEventLoop>();
    dialogs_ = std::make_unique<SdlDialogs>(ui_->window(), VELTRO_BIN_DIR "/help.html");
    ui_->SetKeyTarget(&target_);
    ui_->SetHelp(dialogs_.get());
  }
  template <typename Done>
  void PumpUntil(Done done) {
    for (auto give_up = Clock::now() + 5s; !done() && Clock::now() < give_up;) ui_->DoEvents();
  }

  static inline testing::TestDisplay* display_ = nullptr;
  RecordingTarget target_;
  std::unique_ptr<SdlEventLoop> ui_;
  std::unique_ptr<SdlDialogs> dialogs_;
};

TEST(SdlUserInterfaceWithoutDisplay, SaysClearlyThatNoDisplayCouldBeOpened) {
  testing::IsolateFromDesktopBuses();
  std::string saved = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  setenv("DISPLAY", "unix:/nonexistent/veltro-no-display", 1);
  // The driver asked for by name fails itself; without a name SDL falls back to no window at all.
  for (const char* driver : {"x11", ""}) {
    setenv("SDL_VIDEODRIVER", driver, 1);
    try {
      SdlEventLoop ui;
      ADD_FAILURE() << "a window opened without a display";
    } catch (const PlatformError& failure) {
      EXPECT_THAT(failure.what(), ::testing::HasSubstr("no display could be opened: DISPLAY=unix:/"
                                                       "nonexistent/veltro-no-display (SDL: x11"));
    }
  }
  unsetenv("SDL_VIDEODRIVER");
  saved.empty() ? unsetenv("DISPLAY") : setenv("DISPLAY", saved.c_str(), 1);
}

TEST_F(SdlUserInterfaceTest, KeyEventsReachTheTargetAsVirtualKeysWithModifiers) {
  ui_->ShowMainWindow("Veltro Lander");
  PushKey(SDL_KEYDOWN, SDLK_SPACE, KMOD_NONE);
  PushKey(SDL_KEYDOWN, SDLK_SPACE, KMOD_NONE, 1);  // auto-repeat is a key press again
  PushKey(SDL_KEYUP, SDLK_SPACE, KMOD_NONE);
  PushKey(SDL_KEYDOWN, SDLK_3, KMOD_RCTRL);
  PushKey(SDL_KEYDOWN, SDLK_APPLICATION, KMOD_NONE);  // no code: not delivered
  dialogs_->SendKeys("+a{enter}");
  ui_->DoEvents();
  Keys expected = {{true, keys::kSpace, 0},       {true, keys::kSpace, 0},
                   {false, keys::kSpace, 0},      {true, '3', keys::kControlMask},
                   {true, 'A', keys::kShiftMask}, {false, 'A', keys::kShiftMask},
                   {true, keys::kReturn, 0},      {false, keys::kReturn, 0}};
  EXPECT_EQ(target_.keys, expected);
  EXPECT_THROW(dialogs_->SendKeys("{nosuchkey}"), PlatformError);
  EXPECT_THROW(dialogs_->SendKeys("{f1"), PlatformError);
  // The previous target is handed back; without a target keys are dropped.
  EXPECT_EQ(ui_->SetKeyTarget(nullptr), &target_);
  PushKey(SDL_KEYDOWN, SDLK_q, KMOD_NONE);
  ui_->DoEvents();
  EXPECT_EQ(target_.keys.size(), expected.size());
}

TEST_F(SdlUserInterfaceTest, F1AndTheSentF1OpenTheHelpPageAndStillReachTheGame) {
  std::vector<std::string> opened;
  dialogs_->open_url = [&](const std::string& url) { opened.push_back(url); };
  dialogs_->SendKeys("{F1}");
  PushKey(SDL_KEYDOWN, SDLK_F1, KMOD_NONE);
  PushKey(SDL_KEYDOWN, SDLK_F1, KMOD_NONE, 1);  // holding F1 opens it once
  PushKey(SDL_KEYDOWN, SDLK_F1, KMOD_LSHIFT);   // Shift-F1 is the game's key list, not the page
  ui_->DoEvents();
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], "file://" VELTRO_BIN_DIR "/help.html");
  ASSERT_EQ(target_.keys.size(), 5u);
  EXPECT_EQ(target_.keys[4], KeyRecord(true, keys::kF1, keys::kShiftMask));
  // A browser that cannot be started, or a missing page, is reported with the page's place, and
  // the key still reaches the game.
  dialogs_->open_url = [](const std::string&) { throw PlatformError("no browser"); };
  dialogs_->SendKeys("{f1}");
  ::testing::internal::CaptureStderr();
  ui_->DoEvents();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "veltro-lander: no browser; the help page is " VELTRO_BIN_DIR "/help.html\n");
  dialogs_->help_page_path = VELTRO_BIN_DIR "/no-such-help.html";
  dialogs_->open_url = [&](const std::string& url) { opened.push_back(url); };
  dialogs_->SendKeys("{f1}");
  ::testing::internal::CaptureStderr();
  ui_->DoEvents();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "veltro-lander: the help page is missing; it belongs at " VELTRO_BIN_DIR
            "/no-such-help.html\n");
  EXPECT_EQ(opened.size(), 2u);
  EXPECT_EQ(target_.keys.size(), 9u);
}

// The timers' own rules are the shared timer list's (see the headless tests); here, that the
// desktop loop runs them and that an idle DoEvents, which sleeps, misses neither a timer nor a key
// pushed from another thread.
TEST_F(SdlUserInterfaceTest, TimersFireFromTheLoopAndAnIdleLoopStillWakesForKeys) {
  int ticks = 0;
  auto timer = ui_->CreateTimer([&] {
    if (++ticks == 10) ui_->EndProgram();
  });
  timer->SetInterval(3);
  timer->SetEnabled(true);
  EXPECT_THROW(ui_->RunMessageLoop(), ProgramEnded);
  EXPECT_EQ(ticks, 10);
  std::thread presser([] {
    std::this_thread::sleep_for(30ms);
    PushKey(SDL_KEYDOWN, SDLK_RETURN, KMOD_NONE);
  });
  PumpUntil([&] { return ticks >= 15 && !target_.keys.empty(); });
  presser.join();
  EXPECT_GE(ticks, 15);
  EXPECT_EQ(target_.keys, (Keys{{true, keys::kReturn, 0}}));
}

// Return answering a box is played end to end by the desktop run (tests/e2e); here, Escape.
TEST_F(SdlUserInterfaceTest, MessageBoxIsHandedToTheHookAndEscapeCancelsIt) {
  ui_->ShowMainWindow("Veltro Lander");
  std::vector<std::string> heard;
  dialogs_->on_message_box = [&](const std::string& text, const std::string& title) {
    heard.push_back(title + ": " + text);
  };
  // Presses Escape until the box has gone; with no window manager, the box is focused here.
  std::atomic<bool> done = false;
  std::thread presser([&] {
    for (int i = 0; i < 100 && !done; ++i) {
      std::this_thread::sleep_for(100ms);
      [[maybe_unused]] int status = std::system(
          "id=$(xwininfo -root -tree | awk '/\"Box test\"/ {print $1}'); "
          "[ -n \"$id\" ] && xdotool windowfocus $id key Escape");
    }
  });
  MessageBoxResult got = dialogs_->MessageBox("Sure?", "Box test", MessageBoxIcon::kCritical,
                                              MessageBoxButtons::kOkCancel);
  done = true;
  presser.join();
  EXPECT_EQ(got, MessageBoxResult::kCancel);
  EXPECT_EQ(heard, (std::vector<std::string>{"Box test: Sure?"}));
}

}  // namespace
}  // namespace veltro::platform::desktop
