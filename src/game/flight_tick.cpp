// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>

#include "game/game_numbers.h"
#include "game/main_flow.h"
#include "game/sound_table.h"

namespace veltro::game {
namespace {

// Marks spaced this many feet apart above and below one tenth of the starting height.
constexpr double kUpperMarks = 100;
constexpr double kLowerMarks = 10;
// Automatic announcements come at least this many seconds apart.
constexpr float kAnnouncementPause = 1.25f;

// Altitude over starting height. A world that starts on the ground has no such ratio: its tone
// sits at the ground pitch (ratio 0).
double AltitudeRatio(const FlightState& f) {
  return f.InitialAltitude != 0 ? static_cast<double>(f.Altitude) / f.InitialAltitude : 0.0;
}

// Whether the craft passed a mark: the two heights fall on different whole numbers of marks.
// The comparison is made without narrowing to 16 bits, so a craft far above its start is safe.
bool PassedMark(float previous, float current, double mark_size) {
  return std::nearbyint(previous / mark_size) != std::nearbyint(current / mark_size);
}

}  // namespace

void FRMMain::Timer1_Timer() {
  if (MenuActive || Flushing) return;  // frozen while a menu is open or keys are flushed
  FlightState& f = flight_;

  if (f.Velocity < f.TerminalVelocity) f.Velocity = f.Velocity + f.TimeStep * f.Gravity;
  if (Firing) ProcessJet();
  f.Altitude = f.Altitude - f.TimeStep * f.Velocity;
  if (f.Altitude < 0 || f.AbortRequested) {
    EndOfFlight();
    return;
  }

  const float now = ui_.events.Clock();
  ClickVelocity(now);
  ToneAltitudeAndAnnounce(now);
  PreviousAltitude = f.Altitude;
  ToneFuel();
  WarnTooFast();
}

void FRMMain::ProcessJet() {
  if (OutOfFuel) return;
  FlightState& f = flight_;
  f.Velocity = f.Velocity - f.Thrust * f.TimeStep;
  f.Fuel = f.Fuel - f.Thrust * f.TimeStep;
  if (f.Fuel <= 0) {
    OutOfFuel = true;
    speech_.Say("Out of Fuel");
    if (sound_.IsPlaying(ThrusterHandle)) StopCue(ThrusterHandle);
    StopCue(FuelToneHandle);
    FuelToneHandle = Play(kNoFuel);
    f.Fuel = 0;  // only now: the last burn still gave its full thrust
  }
}

// A click every 2·Gravity/Velocity seconds while descending, every 10/|Velocity| while climbing.
// The rhythm runs on while the clicker is muted, so unmuting brings no burst of clicks.
void FRMMain::ClickVelocity(float now) {
  const FlightState& f = flight_;
  const float elapsed = now - LastClickTime;
  if (f.Velocity > 0) {
    const float interval = (f.Gravity + f.Gravity) / f.Velocity;
    if (interval < elapsed) {
      LastClickTime = now;
      if (!ClickerMuted) Play(kDescendingClick);
    }
  } else if (f.Velocity < 0) {
    const float interval = 10 / std::fabs(f.Velocity);
    if (interval < elapsed) {
      LastClickTime = now;
      if (!ClickerMuted) Play(kClimbingClick);
    }
  }
}

// The altitude tone falls from 70025 Hz at the start to 16025 Hz at one tenth of the height,
// then sweeps again from 70025 Hz to 10025 Hz at the ground, and the marks become ten times
// finer. With the fuel tone muted the altitude tone also pans from left to right.
void FRMMain::ToneAltitudeAndAnnounce(float now) {
  const FlightState& f = flight_;
  const float threshold = f.InitialAltitude / 10;
  const double ratio = AltitudeRatio(f);
  if (f.Altitude > threshold) {
    int32_t frequency = RoundToFrequency(ratio * 60000 + 10025);
    sound_.SetFrequency(AltitudeToneHandle, frequency);
    sound_.SetPan(AltitudeToneHandle, FuelToneMuted ? RoundToPan(ratio * -6000 + 3000) : -3000);
    Announce(now, kUpperMarks);
  } else {
    int32_t frequency = RoundToFrequency(ratio * 600000 + 10025);
    sound_.SetFrequency(AltitudeToneHandle, frequency);
    if (FuelToneMuted) sound_.SetPan(AltitudeToneHandle, RoundToPan(ratio * -60000 + 3000));
    Announce(now, kLowerMarks);
  }
}

// Speaks altitude, velocity and fuel (each if switched on) when a mark was passed and the last
// announcement is more than 1.25 s old. A mark passed during that pause is skipped for good.
void FRMMain::Announce(float now, double mark_size) {
  const FlightState& f = flight_;
  if (!PassedMark(PreviousAltitude, f.Altitude, mark_size)) return;
  if (!(now - LastAutoSpeechTime > kAnnouncementPause)) return;
  LastAutoSpeechTime = now;
  const bool lower_zone = mark_size == kLowerMarks;
  if (lower_zone) speech_.StopSpeech();  // near the ground the newest height matters most
  if (f.AltitudeSpoken) {
    // Descending past 4350 speaks 4300; past 95 speaks 100.
    const double mark = Int(f.Altitude / mark_size) * mark_size + (lower_zone ? mark_size : 0);
    speech_.Say(NumberText(mark));
  }
  if (f.VelocitySpoken) speech_.Say("V" + NumberText(Int(f.Velocity)));
  if (f.FuelSpoken) speech_.Say("F" + NumberText(Int(f.Fuel)));
}

// The fuel tone falls from 80025 Hz when full to 17025 Hz at one tenth, then sweeps again from
// 80025 Hz to 10025 Hz. With no fuel left it is not touched: its handle then holds the warning.
void FRMMain::ToneFuel() {
  const FlightState& f = flight_;
  if (!(f.Fuel > 0)) return;
  // A flight always starts with Fuel = InitialFuel, so fuel without an allowance cannot come
  // about; should it, the tone is left alone rather than divided by zero.
  if (!(f.InitialFuel > 0)) return;
  const double fraction = static_cast<double>(f.Fuel) / f.InitialFuel;
  const float tenth = f.InitialFuel / 10;
  int32_t frequency =
      RoundToFrequency(f.Fuel > tenth ? fraction * 70000 + 10025 : fraction * 700000 + 10025);
  sound_.SetFrequency(FuelToneHandle, frequency);
}

// Near the ground the warning sounds exactly while the craft is at or above the landing limit;
// higher up its volume is left as it is.
void FRMMain::WarnTooFast() {
  const FlightState& f = flight_;
  if (!(f.Altitude < f.InitialAltitude / 10)) return;
  sound_.SetVolume(TooFastHandle, f.Velocity < f.MaxLandingSpeed ? kSilent : kTooFastVolume);
}

}  // namespace veltro::game
