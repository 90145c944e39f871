// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/sdl_gamepads.h"

#include <iterator>

#include "platform/events/keys.h"

namespace veltro::platform::desktop {
namespace {

// A button, or one direction of an axis, and the key it stands for.
struct Binding {
  bool axis;
  int control;    // SDL_GameControllerButton or SDL_GameControllerAxis
  int direction;  // of an axis: -1 or +1
  int16_t code;
  int16_t shift;
};

// The gamepad's keys, in one place (the help page, the README and --help describe the same).
// The south button (A) chooses in menus and fires the thrusters while a flight runs.
constexpr Binding kBindings[] = {
    {false, SDL_CONTROLLER_BUTTON_A, 0, keys::kReturn, 0},
    {false, SDL_CONTROLLER_BUTTON_B, 0, keys::kEscape, 0},
    {false, SDL_CONTROLLER_BUTTON_Y, 0, keys::Letter('F'), 0},
    {false, SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 0, keys::Letter('A'), 0},
    {false, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 0, keys::Letter('V'), 0},
    {false, SDL_CONTROLLER_BUTTON_BACK, 0, keys::Letter('Q'), 0},
    {false, SDL_CONTROLLER_BUTTON_START, 0, keys::kF1, keys::kShiftMask},
    {false, SDL_CONTROLLER_BUTTON_DPAD_UP, 0, keys::kUp, 0},
    {false, SDL_CONTROLLER_BUTTON_DPAD_DOWN, 0, keys::kDown, 0},
    {false, SDL_CONTROLLER_BUTTON_DPAD_LEFT, 0, keys::kLeft, 0},
    {false, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 0, keys::kRight, 0},
    {true, SDL_CONTROLLER_AXIS_LEFTY, -1, keys::kUp, 0},
    {true, SDL_CONTROLLER_AXIS_LEFTY, +1, keys::kDown, 0},
    {true, SDL_CONTROLLER_AXIS_LEFTX, -1, keys::kLeft, 0},
    {true, SDL_CONTROLLER_AXIS_LEFTX, +1, keys::kRight, 0},
    {true, SDL_CONTROLLER_AXIS_TRIGGERLEFT, +1, keys::kSpace, 0},
    {true, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, +1, keys::kSpace, 0},
};
constexpr size_t kSouthButton = 0;

// A stick or trigger presses its key past half way and lets go below a quarter, so that a
// resting stick that trembles near the middle does not press and let go again and again.
constexpr int kAxisPressed = 16384;
constexpr int kAxisLetGo = 8192;

}  // namespace

SdlGamepads::SdlGamepads() {
  // Devices already plugged in arrive as "added" events, like those plugged in later.
  available_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

SdlGamepads::~SdlGamepads() {
  for (auto& [instance, pad] : pads_) SDL_GameControllerClose(pad.controller);
  if (available_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void SdlGamepads::Open(int device_index) {
  SDL_GameController* controller = SDL_GameControllerOpen(device_index);
  if (controller == nullptr) return;  // unplugged again already, or not readable: no pad
  const SDL_JoystickID instance = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
  if (pads_.count(instance) != 0) {
    SDL_GameControllerClose(controller);  // opened once already
    return;
  }
  pads_[instance] = Pad{controller, std::vector<int16_t>(std::size(kBindings), 0)};
}

void SdlGamepads::Close(SDL_JoystickID instance, std::vector<KeyEvent>& out) {
  auto pad = pads_.find(instance);
  if (pad == pads_.end()) return;
  for (size_t binding = 0; binding < std::size(kBindings); ++binding) {
    Press(pad->second, binding, false, false, out);
  }
  SDL_GameControllerClose(pad->second.controller);
  pads_.erase(pad);
}

void SdlGamepads::Press(Pad& pad, size_t binding, bool pressed, bool flying,
                        std::vector<KeyEvent>& out) {
  int16_t& holding = pad.holding[binding];
  if (pressed == (holding != 0)) return;
  auto held_elsewhere = [this](int16_t code) {
    for (const auto& [instance, other] : pads_) {
      for (int16_t key : other.holding) {
        if (key == code) return true;
      }
    }
    return false;
  };
  const Binding& bound = kBindings[binding];
  if (pressed) {
    const int16_t code = binding == kSouthButton && flying ? keys::kSpace : bound.code;
    const bool already_down = held_elsewhere(code);
    holding = code;
    if (!already_down) out.push_back({true, code, bound.shift});
  } else {
    const int16_t code = holding;
    holding = 0;
    if (!held_elsewhere(code)) out.push_back({false, code, bound.shift});
  }
}

std::vector<KeyEvent> SdlGamepads::Translate(const SDL_Event& event, bool flying) {
  std::vector<KeyEvent> events;
  switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED:
      Open(event.cdevice.which);
      break;
    case SDL_CONTROLLERDEVICEREMOVED:
      Close(event.cdevice.which, events);
      break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      auto pad = pads_.find(event.cbutton.which);
      if (pad == pads_.end()) break;
      for (size_t binding = 0; binding < std::size(kBindings); ++binding) {
        if (!kBindings[binding].axis && kBindings[binding].control == event.cbutton.button) {
          Press(pad->second, binding, event.type == SDL_CONTROLLERBUTTONDOWN, flying, events);
        }
      }
      break;
    }
    case SDL_CONTROLLERAXISMOTION: {
      auto pad = pads_.find(event.caxis.which);
      if (pad == pads_.end()) break;
      for (size_t binding = 0; binding < std::size(kBindings); ++binding) {
        const Binding& bound = kBindings[binding];
        if (!bound.axis || bound.control != event.caxis.axis) continue;
        const int toward = event.caxis.value * bound.direction;
        if (toward > kAxisPressed) Press(pad->second, binding, true, flying, events);
        if (toward < kAxisLetGo) Press(pad->second, binding, false, flying, events);
      }
      break;
    }
    default:
      break;
  }
  return events;
}

}  // namespace veltro::platform::desktop
