// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "platform/events/dialogs.h"

namespace veltro::sound {

// The engine settings that sounds.ini can change.
struct EngineSettings {
  int16_t SoundBuffers = 30;
  int16_t OggBuffers = 20;
  int16_t Mp3Buffers = 20;
  bool SoftwareBuffers = false;
};

// The numeric value of the leading number of `text` (0 when it has none): an optional sign,
// digits, an optional fraction and an optional exponent, after any leading blanks.
double LeadingNumber(const std::string& text);

// Applies one line of sounds.ini to `settings`. An unknown key is reported in a message box and
// the line is otherwise ignored; a count too large for a 16-bit integer leaves its setting as it
// was.
void ProcessSoundsIniLine(const std::string& raw_line, EngineSettings& settings,
                          platform::Dialogs& dialogs);

}  // namespace veltro::sound
