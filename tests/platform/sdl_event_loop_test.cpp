// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/sdl_event_loop.h"
#include "platform/desktop/default_handler.h"
#include "platform/desktop/sdl_dialogs.h"

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/base/platform_error.h"
#include "platform/events/keys.h"
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
    dialogs_ = std::make_unique<SdlDialogs>(*ui_, VELTRO_BIN_DIR "/help.html");
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

TEST_F(SdlUserInterfaceTest, KeyEventsReachTheTargetAsVirtualKeysWithModifiers) {
  ui_->ShowMainWindow("Veltro Lander");
  PushKey(SDL_KEYDOWN, SDLK_SPACE, KMOD_NONE);
  PushKey(SDL_KEYDOWN, SDLK_SPACE, KMOD_NONE, 1);  // auto-repeat is a key press again
  PushKey(SDL_KEYUP, SDLK_SPACE, KMOD_NONE);
  PushKey(SDL_KEYDOWN, SDLK_3, KMOD_RCTRL);
  PushKey(SDL_KEYDOWN, SDLK_APPLICATION, KMOD_NONE);  // no code: not delivered
  PushKey(SDL_KEYDOWN, SDLK_1, KMOD_LGUI);            // the desktop's: not delivered
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
  dialogs_->open_file = [&](const std::string& path) { opened.push_back(path); };
  dialogs_->SendKeys("{F1}");
  PushKey(SDL_KEYDOWN, SDLK_F1, KMOD_NONE);
  PushKey(SDL_KEYDOWN, SDLK_F1, KMOD_NONE, 1);  // holding F1 opens it once
  PushKey(SDL_KEYDOWN, SDLK_F1, KMOD_LSHIFT);   // Shift-F1 is the game's key list, not the page
  ui_->DoEvents();
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], VELTRO_BIN_DIR "/help.html");
  ASSERT_EQ(target_.keys.size(), 5u);
  EXPECT_EQ(target_.keys[4], KeyRecord(true, keys::kF1, keys::kShiftMask));
  // No program for the page (a desktop with no handler registered for any type), or a missing
  // page: a failure that says where the page is (the program speaks it, the log tells why), and
  // the key still reaches the game.
  for (const char* variable :
       {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"}) {
    setenv(variable, "/nonexistent-veltro-handlers", 1);
  }
  dialogs_->open_file = OpenWithDefaultHandler;
  ::testing::internal::CaptureStderr();
  EXPECT_THROW(
      try { dialogs_->ShowHelp(); } catch (const PlatformError& failure) {
        EXPECT_STREQ(failure.what(),
                     "No program opens the help page here. It is the file " VELTRO_BIN_DIR
                     "/help.html.");
        throw;
      },
      PlatformError);
  EXPECT_THAT(::testing::internal::GetCapturedStderr(),
              ::testing::HasSubstr(VELTRO_BIN_DIR "/help.html"));
  dialogs_->help_page_path = VELTRO_BIN_DIR "/no-such-help.html";
  dialogs_->SendKeys("{f1}");
  ::testing::internal::CaptureStderr();
  ui_->DoEvents();
  EXPECT_THAT(::testing::internal::GetCapturedStderr(),
              ::testing::HasSubstr("missing. It belongs at " VELTRO_BIN_DIR "/no-such-help.html"));
  EXPECT_EQ(target_.keys.size(), 7u);
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

// A box drawn in the window: keys answer it, and a quit request ends the program.
TEST_F(SdlUserInterfaceTest, AMessageBoxInTheWindowIsAnsweredByKeysAndEndsWithAQuit) {
  std::vector<std::string> drawn;
  dialogs_->on_box = [&](const std::optional<WindowText::Box>& box) {
    drawn.push_back(box ? box->title + ": " + box->text + " (" + box->keys + ")" : "gone");
  };
  // Return answering a box is played end to end by the desktop run (tests/e2e); here, Escape.
  const std::pair<const char*, MessageBoxResult> cases[] = {{"Escape", MessageBoxResult::kCancel},
                                                            {"quit", MessageBoxResult::kOk}};
  for (auto [key, answer] : cases) {
    // The window appears for the box; the key goes to it (or the window manager's quit comes).
    std::thread presser([key = std::string(key)] {
      std::this_thread::sleep_for(300ms);
      if (key == "quit") {
        SDL_Event quit{.type = SDL_QUIT};
        SDL_PushEvent(&quit);
      } else {
        [[maybe_unused]] int status = std::system(("xdotool key " + key).c_str());
      }
    });
    std::optional<MessageBoxResult> got;
    bool ended = false;
    try {
      got = dialogs_->MessageBox(key, "Box test", MessageBoxIcon::kCritical,
                                 MessageBoxButtons::kOkCancel);
    } catch (const ProgramEnded&) {
      ended = true;
    }
    presser.join();
    EXPECT_EQ(ended, std::string(key) == "quit") << key;
    if (!ended) EXPECT_EQ(got, answer) << key;
  }
  EXPECT_EQ(drawn[0], "Box test: Escape (Enter: OK    Escape: Cancel)");
  EXPECT_EQ(drawn[1], "gone");
  EXPECT_EQ(drawn.size(), 4u);
  EXPECT_EQ(ui_->key_target(), &target_);
}

}  // namespace
}  // namespace veltro::platform::desktop
