// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/sounds_ini.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "platform/base/text.h"

namespace veltro::sound {
namespace {

// Only blanks are trimmed: a tab is part of the text it stands in.
std::string TrimBlanks(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// A count rounded to the nearest integer (halves to even); empty when it does not fit 16 bits.
std::optional<int16_t> Count(const std::string& value) {
  double rounded = std::nearbyint(LeadingNumber(value));
  if (!(rounded >= INT16_MIN && rounded <= INT16_MAX)) return std::nullopt;
  return static_cast<int16_t>(rounded);
}

}  // namespace

double LeadingNumber(const std::string& text) {
  size_t i = text.find_first_not_of(" \t\n");
  if (i == std::string::npos) return 0.0;
  size_t end = i;
  if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
  size_t digits_start = end;
  while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
  size_t int_digits = end - digits_start;
  size_t frac_digits = 0;
  if (end < text.size() && text[end] == '.') {
    size_t frac_start = ++end;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    frac_digits = end - frac_start;
  }
  if (int_digits + frac_digits == 0) return 0.0;
  // An exponent counts only when digits follow it.
  if (end < text.size() && (text[end] == 'E' || text[end] == 'e')) {
    size_t exp = end + 1;
    if (exp < text.size() && (text[exp] == '+' || text[exp] == '-')) ++exp;
    if (exp < text.size() && std::isdigit(static_cast<unsigned char>(text[exp]))) {
      end = exp;
      while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    }
  }
  std::string number = text.substr(i, end - i);
  return std::strtod(number.c_str(), nullptr);
}

void ProcessSoundsIniLine(const std::string& raw_line, EngineSettings& settings,
                          platform::Dialogs& dialogs) {
  std::string line = platform::UpperCase(TrimBlanks(raw_line));
  size_t comment = line.find('\'');
  if (comment != std::string::npos) line = TrimBlanks(line.substr(0, comment));
  if (line.empty()) return;

  std::string key = line;
  std::string value = "1";  // a key alone switches its setting on
  size_t equals = line.find('=');
  if (equals != std::string::npos) {
    key = TrimBlanks(line.substr(0, equals));
    value = TrimBlanks(line.substr(equals + 1));
  }

  if (key == "SOUND BUFFERS") {
    if (auto count = Count(value)) settings.SoundBuffers = *count;
    if (settings.SoundBuffers < 20 || settings.SoundBuffers > 100) settings.SoundBuffers = 30;
  } else if (key == "OGG BUFFERS") {
    if (auto count = Count(value)) settings.OggBuffers = *count;
    if (settings.OggBuffers > 100) settings.OggBuffers = 100;
  } else if (key == "MP3 BUFFERS") {
    if (auto count = Count(value)) settings.Mp3Buffers = *count;
    if (settings.Mp3Buffers > 100) settings.Mp3Buffers = 100;
  } else if (key == "SOFTWARE BUFFERS") {
    settings.SoftwareBuffers = LeadingNumber(value) > 0;
  } else if (key == "HRTF" || key == "MODIFY FREQUENCY" || key == "MINIMAL SOUNDS") {
    // Accepted for older files; every buffer uses the default 3D algorithm.
  } else {
    dialogs.MessageBox("Error in sounds.ini file - unrecognized parameter in line " + line, "",
                       platform::MessageBoxIcon::kNone, platform::MessageBoxButtons::kOkCancel);
  }
}

}  // namespace veltro::sound
