// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/default_handler.h"

#include <gio/gio.h>

#include <memory>

#include "platform/platform_error.h"

namespace veltro::platform::desktop {

void OpenWithDefaultHandler(const std::string& path) {
  std::unique_ptr<GFile, decltype(&g_object_unref)> file(g_file_new_for_path(path.c_str()),
                                                         g_object_unref);
  std::unique_ptr<char, decltype(&g_free)> uri(g_file_get_uri(file.get()), g_free);
  GError* error = nullptr;
  // Unlike xdg-open behind SDL_OpenURL, GIO reports a missing handler to the caller.
  if (!g_app_info_launch_default_for_uri(uri.get(), nullptr, &error)) {
    std::string why = error != nullptr ? error->message : "no program opens it";
    g_clear_error(&error);
    throw PlatformError("cannot open " + path + ": " + why);
  }
}

}  // namespace veltro::platform::desktop
