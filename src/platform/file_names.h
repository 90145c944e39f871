#pragma once

#include <optional>
#include <string>

namespace veltro::platform {

// Finds a file the way a case-insensitive file system would: the name as given if it exists,
// otherwise the one entry of each folder along the path whose name differs only in letter case.
// The sound engine upper-cases every sound name before it looks for the file, so on Linux
// "ALT.WAV" must still find "alt.wav". Returns the path as it is on disk, or nothing.
std::optional<std::string> FindFileIgnoringCase(const std::string& path);

}  // namespace veltro::platform
