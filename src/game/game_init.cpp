// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>

#include "game/fuel_search.h"
#include "game/game_numbers.h"
#include "game/main_flow.h"
#include "game/sound_table.h"
#include "game/worlds.h"

namespace veltro::game {
namespace {

constexpr const char* kBriefingMenu = "Repeat|Continue|Cancel";
constexpr int16_t kRepeat = 0;
constexpr int16_t kContinue = 1;

// A quantity rounded to a whole number, halves to the even neighbour, as spoken in the briefing.
std::string Rounded(double x) {
  return NumberText(std::nearbyint(x));
}

}  // namespace

void FRMMain::GameInit() {
  Flushing = false;
  KeyDuringFlush = 0;
  flight_.AbortRequested = false;
  LastClickTime = ui_.events.Clock();
  flight_.Altitude = flight_.InitialAltitude;
  OutOfFuel = false;
  flight_.Velocity = 0;

  flight_.InitialFuel = 100000;
  float MinimumFuel = 0;
  TestVelocity(flight_, MinimumFuel);
  Firing = false;
  flight_.InitialFuel = FuelAllowance(MinimumFuel, Difficulty);
  flight_.Fuel = flight_.InitialFuel;

  // Ticks that come while the briefing menu is open do nothing, so the flight waits for it.
  Timer1->SetEnabled(true);
  Timer1->SetInterval(RoundToRange<int32_t>(flight_.TimeStep * 1000.0));
  PreviousAltitude = flight_.InitialAltitude;

  for (;;) {
    speakstats();
    const int16_t answer = AskForInfo(kBriefingMenu);
    if (answer == kContinue) break;
    if (answer != kRepeat) {
      Form_Load();  // back to the world menu; that call starts whatever flight comes next
      return;
    }
  }

  speech_.Say("Press and hold spacebar to fire thrusters");
  AltitudeToneHandle = Play(kAltitudeTone);
  if (AltitudeToneMuted) sound_.SetVolume(AltitudeToneHandle, kSilent);
  TooFastHandle = Play(kTooFast);
  if (FuelToneHandle != 0) StopCue(FuelToneHandle);
  FuelToneHandle = Play(kFuelTone);
  if (FuelToneMuted) sound_.SetVolume(FuelToneHandle, kSilent);
}

void FRMMain::speakstats() {
  const FlightState& f = flight_;
  speech_.Say("Gravity is " + Rounded(f.Gravity) + " feet per second squared.");
  speech_.Say("Thrust is " + Rounded(f.Thrust) + " feet per second squared");
  if (f.TerminalVelocity <= 20000) {
    speech_.Say("Terminal velocity is " + Rounded(f.TerminalVelocity) + " feet per second.");
  } else {
    speech_.Say("There is no terminal velocity.");
  }
  // Only a world without thrust (an asteroid with no gravity) gets no fuel: it has 0 seconds.
  const float seconds = f.Thrust != 0 ? f.InitialFuel / f.Thrust : 0.0f;
  speech_.Say("There is enough fuel for " + Rounded(seconds) + " seconds of thrust.");
  speech_.Say("Maximum landing speed " + Rounded(f.MaxLandingSpeed) + " feet per second.");
}

}  // namespace veltro::game
