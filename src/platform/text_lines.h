#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veltro::platform {

// Splits a text file's contents into lines the way the program reads its text files: a line ends
// at a carriage return or at a carriage return followed by a line feed; a line feed alone does not
// end a line. A final line without an ending is kept; an empty text has no lines.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace veltro::platform
