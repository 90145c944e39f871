// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veltro::platform {

// Splits a text file's contents into lines the way the program reads its text files: a line ends
// at a carriage return, a carriage return followed by a line feed, or a line feed alone, so files
// from Windows, old Macs and Linux editors all read alike. A final line without an ending is
// kept; an empty text has no lines.
std::vector<std::string> SplitLines(std::string_view text);

// The program's text files are small; a larger file is refused rather than read into memory.
constexpr std::uintmax_t kMaxTextFileBytes = 4 * 1024 * 1024;

// Whether a regular file of that name exists on disk.
bool RegularFileExists(const std::string& path);

// The lines (SplitLines) of a text file on disk. Throws PlatformError when the file cannot be read
// or is larger than kMaxTextFileBytes.
std::vector<std::string> ReadTextFileLines(const std::string& path);

}  // namespace veltro::platform
