// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/default_handler.h"

#include <gio/gio.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "platform/base/platform_error.h"

namespace veltro::platform::desktop {
namespace {

// A launch is quick on a working desktop; one whose session bus never answers would hold the
// caller for good.
constexpr std::chrono::seconds kLaunchWait{2};

// Starts the handler; empty when it started, else why not.
std::string Launch(const std::string& path) {
  std::unique_ptr<GFile, decltype(&g_object_unref)> file(g_file_new_for_path(path.c_str()),
                                                         g_object_unref);
  std::unique_ptr<char, decltype(&g_free)> uri(g_file_get_uri(file.get()), g_free);
  GError* error = nullptr;
  // Unlike xdg-open behind SDL_OpenURL, GIO reports a missing handler to the caller.
  if (g_app_info_launch_default_for_uri(uri.get(), nullptr, &error)) return "";
  std::string why = error != nullptr ? error->message : "no program opens it";
  g_clear_error(&error);
  return why;
}

}  // namespace

void OpenWithDefaultHandler(const std::string& path) {
  // GIO may wait for the session bus without end: the launch runs on a thread of its own, and
  // one that is still waiting is not joined by another.
  static std::atomic<bool> launching{false};
  if (launching.exchange(true)) {
    throw PlatformError("cannot open " + path +
                        ": the desktop has not answered an earlier request");
  }
  auto outcome = std::make_shared<std::promise<std::string>>();
  std::future<std::string> why = outcome->get_future();
  std::thread([path, outcome] {
    outcome->set_value(Launch(path));
    launching = false;
  }).detach();
  if (why.wait_for(kLaunchWait) != std::future_status::ready) {
    throw PlatformError("cannot open " + path + ": the desktop did not answer within " +
                        std::to_string(kLaunchWait.count()) + " s");
  }
  if (const std::string reason = why.get(); !reason.empty()) {
    throw PlatformError("cannot open " + path + ": " + reason);
  }
}

}  // namespace veltro::platform::desktop
