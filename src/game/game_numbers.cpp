#include "game/game_numbers.h"

#include <charconv>

namespace veltro::game {

std::string NumberText(double whole) {
  if (whole == 0) return "0";  // also for -0, which Int(-0.0) can give
  char digits[400];
  const auto result =
      std::to_chars(digits, digits + sizeof digits, whole, std::chars_format::fixed, 0);
  return std::string(digits, result.ptr);
}

}  // namespace veltro::game
