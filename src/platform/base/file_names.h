// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <system_error>

namespace veltro::platform {

// Finds a file the way a case-insensitive file system would: the name as given if it exists,
// otherwise the one entry of each folder along the path whose name differs only in letter case.
// The sound engine upper-cases every sound name before it looks for the file, so on Linux
// "ALT.WAV" must still find "alt.wav". A "\" separates folders as "/" does ("SUB\C.OGG"), unless
// a file is named with it. Returns the path as it is on disk, or nothing.
// `unlistable` hears of a folder on the way that exists but cannot be listed (a name that differs
// in letter case cannot be found there).
using UnlistableFolder = std::function<void(const std::string& folder, std::error_code error)>;
std::optional<std::string> FindFileIgnoringCase(const std::string& path,
                                                const UnlistableFolder& unlistable = {});

}  // namespace veltro::platform
