// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace veltro::game {

// The quantities of the craft and its world, shared by every part of the game, and the three
// announcement switches. One instance, owned by the game window; all zero when the program starts.
// Distances in feet, velocities in feet per second, accelerations in feet per second squared.
// Every quantity is single precision and is stored back as such after each assignment.
struct FlightState {
  float Velocity = 0;          // positive while descending, negative while climbing
  float Altitude = 0;          // height above the ground
  float Fuel = 0;              // velocity change the thrusters can still give
  float InitialAltitude = 0;   // starting height of the world
  float InitialFuel = 0;       // fuel allowance of the flight
  float TerminalVelocity = 0;  // gravity stops adding speed once this is reached
  float Thrust = 0;            // deceleration while the thrusters fire
  float Gravity = 0;           // acceleration downwards
  float TimeStep = 0;          // simulated seconds per tick
  float MaxLandingSpeed = 0;   // highest touchdown speed that counts as a landing

  bool AbortRequested = false;  // the player asked to abandon the flight
  bool AltitudeSpoken = false;  // announcement switches; start-up sets them
  bool VelocitySpoken = false;
  bool FuelSpoken = false;
};

// Simulated seconds per tick: the single-precision value nearest 0.02.
inline constexpr float kTimeStep = 0.02f;

}  // namespace veltro::game
