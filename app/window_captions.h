// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/main_flow.h"
#include "platform/desktop/sdl_event_loop.h"
#include "platform/desktop/window_text.h"

namespace veltro::app {

// Keeps the game window's text up to date for a sighted helper: the last few texts the program
// said and, during a flight, the altitude, velocity and fuel. Nothing of it reaches the player's
// ears. Without the font the window stays one plain colour.
class WindowCaptions {
 public:
  static constexpr size_t kRecentTexts = 4;

  WindowCaptions(platform::desktop::SdlEventLoop& ui, const game::FRMMain& game);
  ~WindowCaptions();
  WindowCaptions(const WindowCaptions&) = delete;
  WindowCaptions& operator=(const WindowCaptions&) = delete;

  // A text the program said, heard or not.
  void Said(const std::string& text);
  // The message box waiting for its answer, or nothing.
  void ShowBox(const std::optional<platform::desktop::WindowText::Box>& box);

 private:
  // Reads the flight's quantities and repaints when they have changed: at once when a flight
  // starts or ends or `now` is set, otherwise no oftener than a helper can read them. Whether it
  // repainted.
  bool RefreshReadouts(bool now = false);

  platform::desktop::SdlEventLoop& ui_;
  const game::FRMMain& game_;
  std::unique_ptr<platform::desktop::WindowTextPainter> painter_;
  platform::desktop::WindowText shown_;
  float readouts_shown_at_ = 0;  // the clock when the readouts were last drawn
};

}  // namespace veltro::app
