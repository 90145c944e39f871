// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/fuel_search.h"

namespace veltro::game {
namespace {

void ResetCraft(FlightState& f) {
  f.Altitude = f.InitialAltitude;
  f.Velocity = 0;
  f.Fuel = f.InitialFuel;
}

// True when no burn can ever turn the craft upwards, so that the search would never end: thrust
// no stronger than gravity (the world rules give that only to an asteroid whose gravity draw is
// exactly 0), or a craft that never falls or never moves. The search then reports 0: the flight
// gets no fuel, and such a craft has no descent to stop.
bool NoBurnCanSucceed(const FlightState& f) {
  return f.Thrust <= f.Gravity || f.TerminalVelocity <= 0 || f.TimeStep <= 0;
}

}  // namespace

MinimumBurn SearchMinimumBurn(FlightState& f) {
  MinimumBurn result;
  if (NoBurnCanSucceed(f)) {
    ResetCraft(f);
    return result;
  }
  // Its step order (gravity, move, thrust) and its ground test (<= 0) differ from the flight
  // tick's on purpose: this is the rule the fuel allowance has always been computed by.
  for (;;) {
    ResetCraft(f);
    f.Fuel = 0;  // counts the fuel burned in this attempt
    result.BurnAltitude = result.BurnAltitude + 10;
    for (;;) {
      if (f.Velocity < f.TerminalVelocity) f.Velocity = f.Velocity + f.Gravity * f.TimeStep;
      f.Altitude = f.Altitude - f.Velocity * f.TimeStep;
      if (f.Altitude <= result.BurnAltitude) {
        f.Velocity = f.Velocity - f.Thrust * f.TimeStep;
        f.Fuel = f.Fuel + f.Thrust * f.TimeStep;
      }
      if (f.Velocity < 0) {
        result.MinimumFuel = f.Fuel;
        ResetCraft(f);
        return result;
      }
      if (f.Altitude <= 0) break;  // crashed: try a higher burn
    }
  }
}

void TestVelocity(FlightState& flight, float& MinimumFuel) {
  MinimumFuel = SearchMinimumBurn(flight).MinimumFuel;
}

}  // namespace veltro::game
