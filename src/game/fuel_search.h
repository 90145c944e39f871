// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/flight_state.h"

namespace veltro::game {

// The outcome of the minimum-fuel search: the lowest burn altitude, on a 10-foot grid, from which
// firing without pause turns the craft upwards before the ground, and the fuel that burn uses.
struct MinimumBurn {
  float BurnAltitude = 0;
  float MinimumFuel = 0;
};

// Runs the search on the flight quantities themselves (with `InitialFuel` as the caller set it)
// and leaves the craft reset: `Altitude` = `InitialAltitude`, `Velocity` 0, `Fuel` = `InitialFuel`.
MinimumBurn SearchMinimumBurn(FlightState& flight);

// The search as the flight set-up uses it: the fuel of the most economical single burn.
void TestVelocity(FlightState& flight, float& MinimumFuel);

}  // namespace veltro::game
