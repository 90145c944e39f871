// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop_loader.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>

#include "platform/base/environment.h"

namespace veltro::app {
namespace {

constexpr const char* kModuleFile = "veltro-lander-desktop.so";

std::string ModulePath() {
  const std::filesystem::path folder = platform::ExecutableFolder();
  // The build names the installed folder relative to the program's (normally
  // "../lib/games/veltro-lander").
  const std::filesystem::path installed = folder / VELTRO_INSTALLED_MODULE / kModuleFile;
  std::error_code error;
  if (std::filesystem::is_regular_file(installed, error)) return installed.lexically_normal();
  return folder / kModuleFile;
}

}  // namespace

const DesktopModule& LoadDesktopModule() {
  static const DesktopModule* module = nullptr;
  if (module != nullptr) return *module;
  const std::string path = ModulePath();
  // Never unloaded: its threads and libraries live until the process ends.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr)
    throw DesktopUnavailable(std::string("cannot load the desktop part: ") + dlerror());
  auto entry = reinterpret_cast<DesktopModuleEntry>(dlsym(handle, kDesktopModuleEntry));
  if (entry == nullptr) throw DesktopUnavailable(path + " is not the desktop part of this program");
  module = entry();
  return *module;
}

}  // namespace veltro::app
