// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/desktop/default_handler.h"
#include "platform/platform_error.h"

namespace veltro::platform::desktop {
namespace {

// A desktop where no program is registered for any type: opening the help page must fail with a
// message, not quietly do nothing.
TEST(DefaultHandlerTest, NoProgramForTheTypeIsAFailureThatNamesTheFile) {
  const std::filesystem::path empty =
      std::filesystem::temp_directory_path() / ("veltro-no-handlers-" + std::to_string(getpid()));
  std::filesystem::create_directories(empty);
  for (const char* variable :
       {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"}) {
    setenv(variable, empty.c_str(), 1);
  }
  const std::string help = VELTRO_BIN_DIR "/help.html";
  try {
    OpenWithDefaultHandler(help);
    ADD_FAILURE() << "opened without any handler";
  } catch (const PlatformError& failure) {
    EXPECT_NE(std::string(failure.what()).find(help), std::string::npos) << failure.what();
  }
  std::filesystem::remove_all(empty);
}

}  // namespace
}  // namespace veltro::platform::desktop
