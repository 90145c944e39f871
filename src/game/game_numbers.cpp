// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/game_numbers.h"

#include <cstdio>

namespace veltro::game {

std::string NumberText(double whole) {
  if (whole == 0) return "0";  // also for -0, which Int(-0.0) can give
  // Every double is below 10^309: its digits fit, and printf writes them exactly.
  char digits[400];
  const int length = std::snprintf(digits, sizeof digits, "%.0f", whole);
  return std::string(digits, static_cast<size_t>(length));
}

}  // namespace veltro::game
