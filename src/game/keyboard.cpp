// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/game_numbers.h"
#include "game/main_flow.h"
#include "game/sound_table.h"
#include "platform/base/scope_guard.h"
#include "platform/events/keys.h"

namespace veltro::game {
namespace {

// A command is its modifiers·1000 + its key code, so an unexpected modifier matches nothing.
constexpr int32_t Command(int16_t KeyCode, int16_t Shift = 0) {
  return Shift * 1000 + KeyCode;
}
constexpr int32_t Shifted(char letter) {
  return Command(keys::Letter(letter), keys::kShiftMask);
}
constexpr int32_t Controlled(char letter) {
  return Command(keys::Letter(letter), keys::kControlMask);
}

constexpr const char* kKeyHelp =
    "spacebar Hold down to use thrusters|Tab Toggle thrusters on and off|Shift-A  Toggle Altitude "
    "sound on and off|Shift-F  Toggle Fuel tone off and on|Shift-V  Toggle velocity sound off and "
    "on|Control-A Toggle spoken altitude on and off|Control-F Toggle spoken fuel on and "
    "off|Control-V Toggle spoken velocity on and off|A Speak current Altitude|V Speak current "
    "velocity|F Speak current Fuel|Q or Excape  Abort current landing|F1 Help|Shift-F1 This help";

}  // namespace

// A key press goes to exactly one place: the flush that discards it, the after-flight choice,
// the open menu, or else the flight commands.
void FRMMain::Form_KeyDown(int16_t KeyCode, int16_t Shift) {
  KeyDuringFlush = KeyCode;
  if (Flushing) return;
  KeyDuringFlush = 0;
  if (AwaitingChoice) {
    AfterFlightChoice(KeyCode, Shift);
    return;
  }
  const int32_t code = Command(KeyCode, Shift);
  if (MenuActive) {
    MenuKey(code);
    return;
  }
  FlightCommand(code);
}

// A held key's auto-repeat acts as a press, except that it never chooses: Space held while the
// briefing ends, or Enter held from one menu into the next, would choose again on every repeat
// and queue minutes of speech. Arrows still step through a menu; Space held keeps firing.
void FRMMain::KeyRepeat(int16_t KeyCode, int16_t Shift) {
  const bool chooses =
      KeyCode == keys::kReturn || KeyCode == keys::kSpace || KeyCode == keys::kEscape;
  if (!Flushing && (AwaitingChoice || (MenuActive && chooses))) return;
  Form_KeyDown(KeyCode, Shift);
}

// Releasing the space bar, whatever the modifiers, stops the thrusters (also those Tab started).
void FRMMain::Form_KeyUp(int16_t KeyCode, int16_t /*Shift*/) {
  if (KeyCode == keys::kSpace && Firing) StopThrusters();
}

void FRMMain::FlightCommand(int32_t code) {
  FlightState& f = flight_;
  switch (code) {
    case Command(keys::Letter('S')):
      speakstats();
      break;
    case Command(keys::kSpace):
      if (!Firing && f.Fuel > 0) StartThrusters();  // auto-repeat adds nothing
      break;
    case Command(keys::kTab):
      if (Firing) {
        StopThrusters();
      } else if (f.Fuel > 0) {
        StartThrusters();
      }
      break;
    case Command(keys::Letter('Q')):
    case Command(keys::kEscape):
      f.AbortRequested = true;  // the next tick ends the flight
      break;
    case Command(keys::kF1, keys::kShiftMask):
      AskForInfo(kKeyHelp);  // the flight is frozen while it is open; the choice means nothing
      break;
    case Controlled('1'):
      speech_.TTSSetup(1);
      break;
    case Controlled('3'):
      speech_.TTSSetup(3);
      break;
    case Shifted('A'):
      ToggleCue(AltitudeToneMuted, AltitudeToneHandle, kAltitudeToneVolume);
      break;
    case Shifted('F'):
      ToggleCue(FuelToneMuted, FuelToneHandle, kFuelToneVolume);
      break;
    case Shifted('E'):
      ToggleCue(TooFastMuted, TooFastHandle, kTooFastVolume);
      break;
    case Shifted('V'):
      ClickerMuted = !ClickerMuted;
      break;
    case Controlled('A'):
      ToggleAnnouncement(f.AltitudeSpoken, "altitude spoken", "altitude not spoken");
      break;
    case Controlled('F'):
      ToggleAnnouncement(f.FuelSpoken, "Fuel spoken", "fuel not spoken");
      break;
    case Controlled('V'):
      ToggleAnnouncement(f.VelocitySpoken, "Velocity spoken", "Velocity not spoken");
      break;
    case Command(keys::Letter('A')):
      speech_.Say(NumberText(Int(f.Altitude)));
      break;
    case Command(keys::Letter('V')):
      speech_.StopSpeech();
      speech_.Say("v" + NumberText(Int(f.Velocity)));
      break;
    case Command(keys::Letter('F')):
      speech_.StopSpeech();
      speech_.Say("Fuel: " + NumberText(Int(f.Fuel)));
      break;
    default:
      break;  // F1 among them: the platform opens the help page itself
  }
}

void FRMMain::StartThrusters() {
  ThrusterHandle = Play(kThruster);
  Firing = true;
}

void FRMMain::StopThrusters() {
  StopCue(ThrusterHandle);
  Firing = false;
}

void FRMMain::ToggleCue(bool& muted, int16_t handle, int16_t volume) {
  muted = !muted;
  sound_.SetVolume(handle, muted ? kSilent : volume);
}

void FRMMain::ToggleAnnouncement(bool& spoken, const char* on_text, const char* off_text) {
  spoken = !spoken;
  speech_.Say(spoken ? on_text : off_text);
}

// Serves the queue, discarding key presses, until a round brings none. Keys that keep coming
// cannot hold it for ever: it ends with the round in which one second has passed.
void FRMMain::FlushKeyboard(std::optional<float> wake_by) {
  const float start = ui_.events.Clock();
  // The flag gets its earlier value back also when a failure unwinds through the flush (a stuck
  // flag would freeze the flight and swallow every key).
  platform::ScopeGuard flushing([this, earlier = Flushing] { Flushing = earlier; });
  Flushing = true;
  do {
    KeyDuringFlush = 0;
    if (wake_by) {
      ui_.events.WaitForEvents(wake_by);
    } else {
      ui_.events.DoEvents();
    }
  } while (KeyDuringFlush != 0 && ui_.events.Clock() <= start + 1.0f);
}

// Pauses for `seconds` while discarding key presses; ends shortly after the target time.
void FRMMain::WaitSeconds(float seconds) {
  const float target = ui_.events.Clock() + seconds;
  while (ui_.events.Clock() <= target) FlushKeyboard(target);
}

}  // namespace veltro::game
