// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

#include "game/flight_state.h"

namespace veltro::game {

// The main menu: seven worlds (four fixed, three drawn at random), then the other entries.
inline constexpr const char* kWorldMenu =
    "Moon|Earth|Mars|Venus|Randomly Generated Asteroid|Randomly Generated Rocky Planet|"
    "Randomly Generated Gas Giant|Review Sounds|Help|Exit";
inline constexpr int16_t kLastWorld = 6;
inline constexpr int16_t kReviewSoundsEntry = 7;
inline constexpr int16_t kHelpEntry = 8;
inline constexpr int16_t kExitEntry = 9;

inline constexpr const char* kDifficultyMenu = "Easy|Moderate|Difficult";

// A uniform random number in [0, 1); each call is one draw.
using RandomDraw = std::function<double()>;

// Stores the five values of world `WorldChoice` (0 to 6): `InitialAltitude`, `Thrust`, `Gravity`,
// `MaxLandingSpeed`, `TerminalVelocity`. Worlds 4 to 6 draw their values; nothing else is touched,
// so a world stays as it is until another one is chosen.
void SelectWorld(int16_t WorldChoice, FlightState& flight, const RandomDraw& random);

// The fuel allowance of a difficulty (0 Easy, 1 Moderate, 2 Difficult) for a minimum fuel.
float FuelAllowance(float MinimumFuel, int16_t Difficulty);

}  // namespace veltro::game
