#include "platform/user_interface.h"

#include "platform/file_names.h"

namespace veltro::platform {

std::optional<std::string> UserInterface::FindFile(const std::string& path) {
  return FindFileIgnoringCase(path);
}

}  // namespace veltro::platform
