// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/base/text_lines.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/base/platform_error.h"

namespace veltro::platform {

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

bool RegularFileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

std::vector<std::string> ReadTextFileLines(const std::string& path) {
  std::error_code error;
  std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) throw PlatformError("cannot read " + path + ": " + error.message());
  if (size > kMaxTextFileBytes) {
    throw PlatformError("cannot read " + path + ": it is " + std::to_string(size) +
                        " bytes, more than a text file of the program can be");
  }
  errno = 0;
  std::ifstream file(path, std::ios::binary);
  if (!file) throw PlatformError("cannot open " + path + ": " + std::strerror(errno));
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) throw PlatformError("cannot read " + path);
  return SplitLines(text);
}

}  // namespace veltro::platform
