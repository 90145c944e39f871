// SPDX-License-Identifier: GPL-3.0-or-later
// FRMMain's main flow: start-up, the world and difficulty menus, review, help and the choice
// after a flight.
#include "game/main_flow.h"

#include "game/sound_table.h"
#include "game/worlds.h"
#include "platform/base/platform_error.h"
#include "platform/events/keys.h"

namespace veltro::game {

FRMMain::FRMMain(const platform::UserInterface& ui, GameSpeech& speech, GameSound& sound,
                 std::string& AppPath)
    : ui_(ui), speech_(speech), sound_(sound), AppPath(AppPath) {
  Timer1 = ui_.events.CreateTimer([this] { Timer1_Timer(); });
}

FRMMain::~FRMMain() {
  // Stop receiving keys; leave any other window's claim on the keyboard as it is.
  platform::KeyHandler* previous = ui_.events.SetKeyTarget(nullptr);
  if (previous != this) ui_.events.SetKeyTarget(previous);
}

// Escape in the world or difficulty menu, "Exit" and Escape after a flight end the program at
// once through the platform, which unwinds every nested menu and wait; the game releases nothing
// first (the sound engine and speech go with the process).
void FRMMain::Form_Load() {
  if (AppPath.empty()) StartUp();

  for (;;) {
    speech_.Say("Where would you like to land?");
    WorldChoice = AskForInfo(kWorldMenu);
    if (WorldChoice < 0 || WorldChoice == kExitEntry) ui_.events.EndProgram();
    if (WorldChoice <= kLastWorld) break;
    if (WorldChoice == kReviewSoundsEntry) ReviewSounds();
    if (WorldChoice == kHelpEntry) Help();
  }
  SelectWorld(WorldChoice, flight_, [this] { return ui_.environment.Random(); });

  speech_.Say("Difficulty Level?");
  Difficulty = AskForInfo(kDifficultyMenu);
  if (Difficulty < 0) ui_.events.EndProgram();
  flight_.TimeStep = kTimeStep;

  GameInit();
}

void FRMMain::StartUp() {
  // The clock is monotonic rather than the time of day, so the pacing of clicks, announcements
  // and waits never stalls at midnight.
  ui_.environment.SeedRandom(
      ui_.events.Clock());  // the platform's uniform generator draws the random worlds
  flight_.AltitudeSpoken = true;
  flight_.FuelSpoken = false;
  flight_.VelocitySpoken = false;

  // The sound engine starts before AppPath is set, so it reads its settings from the current
  // folder.
  sound_.DSInit();
  speech_.TTSSetup(ui_.environment.CommandLine() == "3" ? 3 : 1);

  ui_.events.ShowMainWindow("Veltro Lander");
  ui_.events.SetKeyTarget(this);

  // The sound engine puts AppPath in front of file names, so it ends with the separator: "/" on
  // Linux. A folder that is the root already ends with it; an unknown folder means the current one
  // (AppPath must not stay empty, or the next return to the menu would start up again).
  const std::string folder = ui_.environment.ProgramFolder();
  if (folder.empty()) {
    AppPath = "./";
  } else if (folder == "/") {
    AppPath = folder;
  } else {
    AppPath = folder + "/";
  }

  // Waits for the introduction without serving the queue: keys pressed meanwhile reach the menu.
  IntroHandle = Play(kIntro);
  while (sound_.IsPlaying(IntroHandle)) ui_.events.Pause();
}

void FRMMain::ReviewSounds() {
  speech_.Say("Thrusters Firing");
  WaitSeconds(1.5f);
  ThrusterHandle = Play(kReviewThruster);
  WaitSeconds(1.5f);
  speech_.Say("Out of Fuel Warning");
  WaitSeconds(1.5f);
  FuelToneHandle = Play(kReviewNoFuel);
  WaitSeconds(1.5f);
  speech_.Say("Altitude Indicator");
  WaitSeconds(1.5f);
  AltitudeToneHandle = Play(kReviewAltitude);
  WaitSeconds(1.5f);
  speech_.Say("Velocity Clicker");
  WaitSeconds(1.5f);
  Play(kReviewClick);
  WaitSeconds(0.5f);
  speech_.Say("Fuel Remaining");
  WaitSeconds(1.5f);
  FuelToneHandle = Play(kReviewFuel);
  WaitSeconds(1.5f);
  speech_.Say("Descending too fast");
  WaitSeconds(1.5f);
  Play(kReviewTooFast);
  WaitSeconds(1.5f);
}

void FRMMain::Help() {
  ui_.dialogs.SendKeys("{f1}");  // the platform opens the help page in its viewer on F1
  WaitSeconds(2);
}

// Chosen by the key alone, whatever Shift or Control go with it. A modifier key on its own is no
// choice (Control alone is the screen reader's "stop speaking"), nor is an Alt combination: it
// belongs to the desktop or the browser (Alt-Tab), not to the game.
void FRMMain::AfterFlightChoice(int16_t KeyCode, int16_t Shift) {
  if (KeyCode == keys::kShift || KeyCode == keys::kControl || KeyCode == keys::kAlt ||
      (Shift & keys::kAltMask) != 0) {
    return;
  }
  AwaitingChoice = false;
  if (KeyCode == keys::Letter('N')) {
    Form_Load();
  } else if (KeyCode == keys::kEscape) {
    ui_.events.EndProgram();
  } else {
    GameInit();  // the same world and difficulty again
  }
}

int16_t FRMMain::Play(const SoundRow& row) {
  return PlayRow(sound_, row);
}

void FRMMain::StopCue(int16_t handle) {
  // Stopping passes a device's failure on; left to reach the tick or the key handler, it would
  // cut the end of a flight short (every later tick would try it again) or leave the thrusters
  // pushing after the space bar is let go.
  platform::TryStep([&] { sound_.StopPlay(handle); });
}

}  // namespace veltro::game
