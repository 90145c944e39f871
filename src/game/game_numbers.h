// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

// How the game turns its single-precision quantities into whole numbers, texts and the integer
// arguments of the sound engine.
namespace veltro::game {

// Int(x): the largest whole number not above x (Int(-3.2) is -4).
inline double Int(double x) {
  return std::floor(x);
}

// The decimal digits of a whole number, with a leading "-" when it is negative and nothing else.
std::string NumberText(double whole);

// Rounds to the nearest whole number, halves to the even neighbour, and keeps the result inside
// the integer type. The flight formulas have no limits (a craft far above a low starting height
// sends huge values), so values outside the range become its nearest end instead of failing, and
// a value that is not a number becomes 0.
template <class Integer>
Integer RoundToRange(double x) {
  if (std::isnan(x)) return 0;
  const double rounded = std::nearbyint(x);
  constexpr double kLowest = std::numeric_limits<Integer>::lowest();
  constexpr double kHighest = std::numeric_limits<Integer>::max();
  if (rounded <= kLowest) return std::numeric_limits<Integer>::lowest();
  if (rounded >= kHighest) return std::numeric_limits<Integer>::max();
  return static_cast<Integer>(rounded);
}

// A frequency in hertz for `SetFrequency` (32-bit) and a pan for `SetPan` (16-bit).
inline int32_t RoundToFrequency(double hertz) {
  return RoundToRange<int32_t>(hertz);
}
inline int16_t RoundToPan(double pan) {
  return RoundToRange<int16_t>(pan);
}

}  // namespace veltro::game
