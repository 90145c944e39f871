// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: the input's NUL-separated pieces are the arguments.
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments;
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\0', start);
    if (end == std::string::npos) end = text.size();
    arguments.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  veltro::app::CommandLine line;
  try {
    line = veltro::app::ParseCommandLine(arguments);
  } catch (const veltro::app::UsageError&) {
    return 0;
  }
  // An accepted run has a time limit it can reach and the script a headless run needs.
  if (!(std::isfinite(line.max_seconds) && line.max_seconds > 0 && line.max_seconds <= 1e7)) {
    abort();
  }
  if (!line.help && !line.version && !line.audio_info && line.headless && line.keys.empty()) {
    abort();
  }
  return 0;
}
