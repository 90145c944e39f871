// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "synth.h"

namespace veltro::assets {

// The words spoken by espeak-ng (its command-line program), at `rate`, or nothing when espeak-ng
// is not installed or fails; the caller then plays a jingle instead. `scratch_path` is a file the
// voice is written to first; it is removed afterwards.
std::optional<Samples> SpeakWords(const std::string& words, int rate,
                                  const std::string& scratch_path);

}  // namespace veltro::assets
