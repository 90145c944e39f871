#include "platform/dispatch.h"

#include <iostream>
#include <set>
#include <string>

namespace veltro::platform {

void ReportHandlerFailure(const PlatformError& failure) {
  // Repeats of the same failure (a service that is gone fails on every utterance) are said once.
  static std::set<std::string> reported;
  if (reported.insert(failure.what()).second) {
    std::cerr << "veltro-lander: " << failure.what() << " (the game goes on)\n";
  }
}

}  // namespace veltro::platform
