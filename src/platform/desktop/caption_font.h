// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace veltro::platform::desktop {

// The file of the bold sans-serif font the window's captions are drawn with, as the desktop's
// fontconfig resolves "DejaVu Sans:bold" (DejaVu itself when installed, else the closest match).
// Throws PlatformError when fontconfig knows no font file at all.
std::string CaptionFontPath();

}  // namespace veltro::platform::desktop
