// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/worlds.h"

namespace veltro::game {
namespace {

struct FixedWorld {
  float InitialAltitude, Thrust, Gravity, MaxLandingSpeed, TerminalVelocity;
};

// Moon, Earth, Mars, Venus.
constexpr FixedWorld kFixedWorlds[] = {
    {1000, 25, 5, 5, 300000},
    {7000, 50, 32, 20, 300},
    {6000, 25, 12.5f, 15, 700},
    {5000, 50, 29, 30, 200},
};

// Each formula uses the values stored by the ones before it, and each draw is made in its own
// statement so that the draws come in their fixed order.
void Asteroid(FlightState& f, const RandomDraw& random) {
  const double r1 = random();
  f.Gravity = static_cast<float>(10 * r1);
  f.MaxLandingSpeed = f.Gravity;
  f.TerminalVelocity = 30000;
  const double r2 = random();
  f.InitialAltitude = static_cast<float>(r2 * (f.Gravity * 200.0));
  const double r3 = random();
  f.Thrust = static_cast<float>(f.Gravity * 3.0 * r3 + f.Gravity * 1.2);
}

void RockyPlanet(FlightState& f, const RandomDraw& random) {
  const double r1 = random();
  f.Gravity = static_cast<float>(30 * r1 + 10);
  const double r2 = random();
  f.TerminalVelocity = static_cast<float>(100 * r2 + 50);
  const double r3 = random();
  f.InitialAltitude = static_cast<float>(r3 * (f.Gravity * 150.0));
  const double r4 = random();
  f.Thrust = static_cast<float>(f.Gravity * 3.0 * r4 + f.Gravity * 1.2);
  f.MaxLandingSpeed = static_cast<float>(f.Gravity * 1.2);
}

void GasGiant(FlightState& f, const RandomDraw& random) {
  const double r1 = random();
  const double r2 = random();
  f.Gravity = static_cast<float>(300 * r1 * r2 + 50);
  const double r3 = random();  // one draw, used twice
  f.TerminalVelocity = static_cast<float>((r3 + r3) * f.Gravity + f.Gravity);
  f.InitialAltitude = f.TerminalVelocity * 20;
  const double r4 = random();
  f.Thrust = static_cast<float>(f.Gravity * r4 * 0.5 + f.Gravity * 1.2);
  f.MaxLandingSpeed = f.Gravity / 2;
}

}  // namespace

void SelectWorld(int16_t WorldChoice, FlightState& flight, const RandomDraw& random) {
  if (WorldChoice >= 0 && WorldChoice < 4) {
    const FixedWorld& w = kFixedWorlds[WorldChoice];
    flight.InitialAltitude = w.InitialAltitude;
    flight.Thrust = w.Thrust;
    flight.Gravity = w.Gravity;
    flight.MaxLandingSpeed = w.MaxLandingSpeed;
    flight.TerminalVelocity = w.TerminalVelocity;
  } else if (WorldChoice == 4) {
    Asteroid(flight, random);
  } else if (WorldChoice == 5) {
    RockyPlanet(flight, random);
  } else if (WorldChoice == 6) {
    GasGiant(flight, random);
  }
}

float FuelAllowance(float MinimumFuel, int16_t Difficulty) {
  switch (Difficulty) {
    case 0:
      return MinimumFuel * 2;
    case 1:
      return MinimumFuel * 1.5f;
    default:
      return static_cast<float>(MinimumFuel * 1.2);
  }
}

}  // namespace veltro::game
