// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/game_numbers.h"
#include "game/main_flow.h"
#include "game/sound_table.h"
#include "platform/base/scope_guard.h"

namespace veltro::game {

// The end of a flight, run by the tick that found the craft below the ground or an abort: the
// cues stop, a touchdown is judged and its sounds play to the end, the final fuel and velocity
// are spoken, and the next key chooses what happens.
void FRMMain::EndOfFlight() {
  FlightState& f = flight_;
  StopCue(ThrusterHandle);
  StopCue(AltitudeToneHandle);
  StopCue(TooFastHandle);
  StopCue(FuelToneHandle);
  ThrusterHandle = AltitudeToneHandle = TooFastHandle = FuelToneHandle = 0;
  Firing = false;

  if (!f.AbortRequested) {
    // The speed is cut down to a whole number before it is judged: 5.99 lands on the Moon.
    if (Int(f.Velocity) <= f.MaxLandingSpeed) {
      ThrusterHandle = Play(kTouchdown);
      WaitSeconds(1);
      PlayToTheEnd(kLanded);
    } else {
      PlayToTheEnd(kHoustonProblem);
      PlayToTheEnd(kExplosion);
    }
  }
  if (f.Fuel < 0) f.Fuel = 0;
  FlushKeyboard();  // keys pressed during the outcome sounds choose nothing

  // The flight is over even when the speech service fails below: otherwise every later tick
  // would find the craft below the ground and replay the outcome.
  platform::ScopeGuard finish([this, &f] {
    AwaitingChoice = true;
    Timer1->SetEnabled(false);
    f.AbortRequested = false;
  });
  if (!f.AbortRequested) {
    FinalReport = "Final Fuel " + NumberText(Int(f.Fuel)) + ", Final Velocity " +
                  NumberText(Int(f.Velocity + 0.5)) + ".\r\n";
    speech_.Say(FinalReport);
  }
  speech_.Say("Press Escape to exit, N to select a new planet, or  any other key to try again.");
}

// Plays an outcome sound into ThrusterHandle and waits for its end without serving the queue:
// nothing else happens meanwhile, and keys stay queued for the flush that follows.
void FRMMain::PlayToTheEnd(const SoundRow& row) {
  ThrusterHandle = Play(row);
  while (sound_.IsPlaying(ThrusterHandle)) ui_.events.Pause();
}

}  // namespace veltro::game
