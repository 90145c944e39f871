// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_captions.h"

#include <cmath>
#include <iostream>

#include "platform/base/platform_error.h"

namespace veltro::app {

namespace {

// Readouts change every tick; a helper reads them at a calmer pace.
constexpr float kReadoutSeconds = 0.5f;

std::string Whole(float value) {
  return std::to_string(static_cast<long>(std::lround(value)));
}

}  // namespace

WindowCaptions::WindowCaptions(platform::desktop::SdlEventLoop& ui, const game::FRMMain& game)
    : ui_(ui), game_(game) {
  try {
    painter_ = std::make_unique<platform::desktop::WindowTextPainter>();
  } catch (const platform::PlatformError& failure) {
    std::cerr << "veltro-lander: the window shows no text: " << failure.what() << "\n";
    return;
  }
  ui_.on_paint = [this](SDL_Surface* surface) { painter_->Paint(surface, shown_); };
  // The readouts can change only when the game handled a key or a tick.
  ui_.on_served = [this] { RefreshReadouts(); };
}

WindowCaptions::~WindowCaptions() {
  ui_.on_paint = nullptr;
  ui_.on_served = nullptr;
}

void WindowCaptions::Said(const std::string& text) {
  std::vector<std::string>& recent = shown_.recent;
  recent.push_back(text);
  if (recent.size() > kRecentTexts) recent.erase(recent.begin());
  // Drawn once, with the readouts of the same moment.
  if (painter_ && !RefreshReadouts(true)) ui_.Repaint();
}

void WindowCaptions::ShowBox(const std::optional<platform::desktop::WindowText::Box>& box) {
  shown_.box = box;
  if (painter_) ui_.Repaint();
}

bool WindowCaptions::RefreshReadouts(bool now) {
  if (!painter_) return false;
  std::vector<std::string> readouts;
  if (game_.InFlight()) {
    const game::FlightState& flight = game_.flight();
    readouts = {"Altitude " + Whole(flight.Altitude) + " ft",
                "Velocity " + Whole(flight.Velocity) + " ft/s", "Fuel " + Whole(flight.Fuel)};
  }
  if (readouts == shown_.readouts) return false;
  const float clock = ui_.Clock();
  const bool flight_started_or_ended = readouts.empty() != shown_.readouts.empty();
  if (!now && !flight_started_or_ended && clock - readouts_shown_at_ < kReadoutSeconds) {
    return false;  // a later round shows the values of its moment
  }
  shown_.readouts = std::move(readouts);
  readouts_shown_at_ = clock;
  ui_.Repaint();
  return true;
}

}  // namespace veltro::app
