// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace veltro::platform {

// The words a voice is given for a text the game wrote: a minus sign before a number becomes the
// word "minus" ("V-29" is "V minus 29", "Fuel: -3" is "Fuel: minus 3"), which synthesizers and
// screen readers otherwise drop or read as a dash. A "-" between two digits is left alone. Every
// back-end speaks this form; logs and captions keep the text as the game wrote it.
std::string SpokenForm(const std::string& text);

// A text as one line of a log: carriage return and line feed written as \r and \n.
std::string EscapeSpeechText(const std::string& text);

}  // namespace veltro::platform
