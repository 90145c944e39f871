// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/speech/spoken_form.h"

namespace veltro::platform {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::string SpokenForm(const std::string& text) {
  std::string spoken;
  spoken.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char before = i > 0 ? text[i - 1] : ' ';
    const bool sign =
        text[i] == '-' && i + 1 < text.size() && IsDigit(text[i + 1]) && !IsDigit(before);
    if (!sign) {
      spoken += text[i];
    } else {
      spoken += IsLetter(before) ? " minus " : "minus ";
    }
  }
  return spoken;
}

std::string EscapeSpeechText(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    if (c == '\r') {
      escaped += "\\r";
    } else if (c == '\n') {
      escaped += "\\n";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

}  // namespace veltro::platform
