// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>

namespace veltro::app {

// --audio-info: opens the sound output the game would use, with the game's settings, and writes
// its name, rate, mixing period and the latency it reports. Returns the exit status: 1 when no
// output opens.
int PrintAudioInfo(std::ostream& out, std::ostream& errors);

}  // namespace veltro::app
