// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <SDL.h>

#include <cstdint>
#include <map>
#include <vector>

#include "platform/events/event_loop.h"

namespace veltro::platform::desktop {

// The gamepads plugged in, through SDL's game-controller layer (SDL's mapping database names the
// buttons of each known pad): each control stands for a key of the keyboard, so a gamepad plays
// the whole game. Pads come and go while the program runs; a pad pulled out lets go of its keys.
class SdlGamepads {
 public:
  // Starts SDL's game-controller layer; without it (no joystick support) there are no pads.
  SdlGamepads();
  ~SdlGamepads();
  SdlGamepads(const SdlGamepads&) = delete;
  SdlGamepads& operator=(const SdlGamepads&) = delete;

  bool Available() const { return available_; }
  // Whether any pad is open: its state is read only when SDL is asked for events.
  bool AnyOpen() const { return !pads_.empty(); }

  // The key events one SDL event stands for (none for events that are not a pad's). `flying`:
  // whether a flight runs, where the south button (A) fires the thrusters instead of choosing.
  std::vector<KeyEvent> Translate(const SDL_Event& event, bool flying);

 private:
  struct Pad {
    SDL_GameController* controller = nullptr;
    // For each binding, the key code it holds down now; 0 while it is let go.
    std::vector<int16_t> holding;
  };

  // A control of `pad` pressed or let go; the key goes down when its first control is pressed
  // and up when its last is let go (the d-pad and the stick both hold the arrows).
  void Press(Pad& pad, size_t binding, bool pressed, bool flying, std::vector<KeyEvent>& out);
  void Open(int device_index);
  void Close(SDL_JoystickID instance, std::vector<KeyEvent>& out);

  bool available_ = false;
  std::map<SDL_JoystickID, Pad> pads_;
};

}  // namespace veltro::platform::desktop
