// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/flight_state.h"
#include "game/ports.h"
#include "platform/events/user_interface.h"

namespace veltro::game {

struct SoundRow;

// FRMMain, the game window: the main flow and its spoken menus, the flight set-up, the 20 ms flight
// tick, the keyboard and the landing outcome. Its implementation is split by responsibility:
//   main_flow.cpp       start-up, main flow, review, help, after-flight choice
//   spoken_menu.cpp     AskForInfo and the menu keys
//   game_init.cpp       GameInit and the briefing (speakstats)
//   flight_tick.cpp     Timer1_Timer, ProcessJet and the cues
//   keyboard.cpp        key routing, flight commands, FlushKeyboard, WaitSeconds
//   landing_outcome.cpp the end of a flight
// Everything runs on the user-interface thread; the waits serve the queue, so handlers nest.
class FRMMain : public platform::KeyHandler {
 public:
  // `ui`, `speech`, `sound` and `AppPath` must outlive the window. `AppPath` is empty until the
  // first start-up sets it; the sound engine reads it.
  FRMMain(const platform::UserInterface& ui, GameSpeech& speech, GameSound& sound,
          std::string& AppPath);
  ~FRMMain() override;
  FRMMain(const FRMMain&) = delete;
  FRMMain& operator=(const FRMMain&) = delete;

  // The main flow: start-up once (while `AppPath` is empty), then the main menu, the difficulty
  // menu and the flight set-up. Returns once a flight has started; the timer flies it.
  void Form_Load();
  // A spoken menu over the "|"-separated options of `q`: the chosen index, or -1 after Escape.
  int16_t AskForInfo(const std::string& q);
  // The spoken briefing of the current world.
  void speakstats();

  // Prepares a flight on the current world and difficulty, briefs the player, starts the cues.
  void GameInit();

  // One tick of the flight, run by Timer1; ProcessJet is one tick's worth of thrust.
  void Timer1_Timer();
  void ProcessJet();

  // Key handling of the window.
  void Form_KeyDown(int16_t KeyCode, int16_t Shift);
  void Form_KeyUp(int16_t KeyCode, int16_t Shift);
  void KeyDown(int16_t KeyCode, int16_t Shift) override { Form_KeyDown(KeyCode, Shift); }
  void KeyUp(int16_t KeyCode, int16_t Shift) override { Form_KeyUp(KeyCode, Shift); }
  void KeyRepeat(int16_t KeyCode, int16_t Shift) override;

  // Pauses that serve the queue while throwing key presses away.
  // A flush inside a pause passes the pause's end, until which a round may sleep.
  void FlushKeyboard(std::optional<float> wake_by = std::nullopt);
  void WaitSeconds(float seconds);

  // The flight quantities and announcement switches, for the composition root and tests.
  FlightState& flight() { return flight_; }
  const FlightState& flight() const { return flight_; }
  const std::string& FinalReportText() const { return FinalReport; }
  // Whether a flight is running (its timer is on): the window shows its readouts meanwhile.
  bool InFlight() const { return Timer1 && Timer1->Enabled(); }

 private:
  // main_flow.cpp
  void StartUp();
  void ReviewSounds();
  void Help();
  void AfterFlightChoice(int16_t KeyCode, int16_t Shift);
  int16_t Play(const SoundRow& row);
  // Stops a cue; a sound device gone away in mid-game does not stop the flight's own work.
  void StopCue(int16_t handle);

  // spoken_menu.cpp
  void MenuKey(int32_t code);
  void SayMenuEntry();

  // keyboard.cpp
  void FlightCommand(int32_t code);
  void StartThrusters();
  void StopThrusters();
  void ToggleCue(bool& muted, int16_t handle, int16_t volume);
  void ToggleAnnouncement(bool& spoken, const char* on_text, const char* off_text);

  // flight_tick.cpp
  void ClickVelocity(float now);
  void ToneAltitudeAndAnnounce(float now);
  void Announce(float now, double mark_size);
  void ToneFuel();
  void WarnTooFast();

  // landing_outcome.cpp
  void EndOfFlight();
  void PlayToTheEnd(const SoundRow& row);

  platform::UserInterface ui_;
  GameSpeech& speech_;
  GameSound& sound_;
  std::string& AppPath;
  FlightState flight_;
  std::unique_ptr<platform::Timer> Timer1;

  // Sound handles (0: no sound kept).
  int16_t ThrusterHandle = 0;  // the thruster loop; afterwards the outcome sounds
  int16_t AltitudeToneHandle = 0;
  int16_t FuelToneHandle = 0;  // the fuel tone; after the fuel ran out, the out-of-fuel warning
  int16_t TooFastHandle = 0;
  int16_t IntroHandle = 0;

  bool Firing = false;
  bool OutOfFuel = false;
  std::string FinalReport;
  bool Flushing = false;       // key presses are being discarded
  int16_t KeyDuringFlush = 0;  // the key code of a key that arrived meanwhile, 0 = none
  int16_t WorldChoice = 0;
  bool AwaitingChoice = false;  // a flight has ended; the next key chooses what happens
  float LastClickTime = 0;      // clock time of the last velocity click
  float PreviousAltitude = 0;   // altitude at the end of the previous tick
  int16_t Difficulty = 0;       // 0 Easy, 1 Moderate, 2 Difficult
  float LastAutoSpeechTime = 0;

  bool FuelToneMuted = false;
  bool AltitudeToneMuted = false;
  bool TooFastMuted = false;
  bool ClickerMuted = false;

  std::vector<std::string> MenuItems;
  int16_t MenuIndex = 0;  // -1 after Escape
  bool MenuActive = false;
};

}  // namespace veltro::game
