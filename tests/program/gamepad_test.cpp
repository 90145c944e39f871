#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "desktop_run.h"
#include "platform/sdl_test_display.h"
#include "program/program_fixture.h"

namespace veltro::app {
namespace {

using namespace std::chrono_literals;

// A player with a gamepad (SDL's virtual one) and no keyboard, who listens to the speech log.
// Gives up after a while without the awaited words, ending the program as SIGTERM does.
class PadPlayer {
 public:
  PadPlayer(std::string log, const std::atomic<bool>& running) : log_(log), running_(running) {}

  // Waits for a line said after the previous one heard that is all of `pattern`.
  bool Hear(const std::string& pattern) {
    const std::regex wanted("[0-9.]+ " + pattern);
    for (auto give_up = std::chrono::steady_clock::now() + 40s; running_;) {
      std::ifstream in(log_);
      std::string line;
      for (int n = 0; std::getline(in, line); ++n) {
        if (n >= heard_ && std::regex_match(line, wanted)) {
          heard_ = n + 1;
          return true;
        }
      }
      if (std::chrono::steady_clock::now() > give_up) break;
      std::this_thread::sleep_for(20ms);
    }
    if (running_) kill(getpid(), SIGTERM);
    ADD_FAILURE() << "never heard \"" << pattern << "\"";
    return false;
  }
  // Plugs the pad in (a game controller: SDL's mapping gives its buttons and axes in order).
  void PlugIn() {
    pad_ = SDL_JoystickOpen(SDL_JoystickAttachVirtual(
        SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0));
  }
  void Hold(SDL_GameControllerButton button, bool down) {
    SDL_JoystickSetVirtualButton(pad_, button, down);
    std::this_thread::sleep_for(150ms);
  }
  // Presses a button that ends the program: nothing of SDL may be touched afterwards.
  void PressLast(SDL_GameControllerButton button) { SDL_JoystickSetVirtualButton(pad_, button, 1); }
  void Press(SDL_GameControllerButton button) {
    Hold(button, true);
    Hold(button, false);
  }
  static constexpr Sint16 kTriggerRest = -32768;
  void Tilt(SDL_GameControllerAxis axis, Sint16 value, std::chrono::milliseconds time,
            Sint16 rest = 0) {
    SDL_JoystickSetVirtualAxis(pad_, axis, value);
    std::this_thread::sleep_for(time);
    SDL_JoystickSetVirtualAxis(pad_, axis, rest);
    std::this_thread::sleep_for(150ms);
  }

 private:
  std::string log_;
  const std::atomic<bool>& running_;
  int heard_ = 0;
  SDL_Joystick* pad_ = nullptr;
};

TEST(GamepadTest, AMoonFlightIsPlayedByGamepadAlone) {
  testing::TestDisplay display;
  if (!display.ok()) GTEST_SKIP() << "Xvfb could not be started";
  const std::string log = ::testing::TempDir() + "veltro_gamepad_speech.log";
  for (auto [name, value] : {std::pair{"ALSOFT_DRIVERS", "null"},
                             {"SDL_AUDIODRIVER", "dummy"},
                             {"SPEECHD_ADDRESS", "unix_socket:/nonexistent/speechd.sock"}}) {
    setenv(name, value, 1);
  }
  std::atomic<bool> running{true};
  std::thread player_thread([&] {
    PadPlayer player(log, running);
    if (!player.Hear("Where would you like to land\\?")) return;
    player.PlugIn();  // plugged in while the program runs
    const std::pair<const char*, SDL_GameControllerButton> kSteps[] = {
        {"Moon", SDL_CONTROLLER_BUTTON_A},
        {"Easy", SDL_CONTROLLER_BUTTON_A},
        {"Repeat", SDL_CONTROLLER_BUTTON_DPAD_DOWN},
        {"Continue", SDL_CONTROLLER_BUTTON_A},
        {"Press and hold spacebar to fire thrusters", SDL_CONTROLLER_BUTTON_Y},
        {"Fuel: 224", SDL_CONTROLLER_BUTTON_RIGHTSHOULDER},
        {"v-?[0-9]+", SDL_CONTROLLER_BUTTON_LEFTSHOULDER},
        {"[0-9]*[1-9][0-9]?|[0-9]*[0-9][1-9]", SDL_CONTROLLER_BUTTON_START},  // not a mark
        {"spacebar Hold down to use thrusters", SDL_CONTROLLER_BUTTON_B}};
    for (auto [words, button] : kSteps) {
      if (!player.Hear(words)) return;
      player.Press(button);
    }
    player.Hold(SDL_CONTROLLER_BUTTON_A, true);  // in flight: the thrusters
    player.Hold(SDL_CONTROLLER_BUTTON_A, false);
    player.Tilt(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767, 1000ms, PadPlayer::kTriggerRest);
    if (!player.Hear("Final Fuel [0-9]+, Final Velocity [0-9]+.*")) return;
    if (!player.Hear("Press Escape to exit.*")) return;
    player.Press(SDL_CONTROLLER_BUTTON_A);  // fly again
    if (!player.Hear("Repeat")) return;
    player.Tilt(SDL_CONTROLLER_AXIS_LEFTY, 32767, 300ms);
    if (!player.Hear("Continue")) return;
    player.Press(SDL_CONTROLLER_BUTTON_A);
    if (!player.Hear("Press and hold spacebar to fire thrusters")) return;
    player.Press(SDL_CONTROLLER_BUTTON_BACK);  // abort
    if (!player.Hear("Press Escape to exit.*")) return;
    // Leave: the program ends, and SDL with it, which closes the pad.
    player.PressLast(SDL_CONTROLLER_BUTTON_B);
  });
  std::ostringstream sounds;
  std::ofstream speech(log);
  RunOutcome outcome = RunDesktopWithFiles(VELTRO_BIN_DIR, "3", &speech, &sounds);
  running = false;
  player_thread.join();
  EXPECT_EQ(outcome.status, 0) << outcome.message;
  // One landing, with the thrusters fired twice (the south button, then the trigger); the key
  // help was closed without aborting; the second flight was aborted.
  const std::string said = ReadFile(log);
  EXPECT_EQ(Count(said, "Final Fuel"), 1) << said;
  EXPECT_EQ(Count(sounds.str(), "PlaySound(\"retrojet.wav\""), 2) << sounds.str();
  EXPECT_EQ(Count(said, "Press Escape to exit"), 2);
}

}  // namespace
}  // namespace veltro::app
