// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <SDL.h>

#include <cstdint>

namespace veltro::platform::desktop {

// The Windows virtual-key code the game expects for an SDL key, or 0 for a key the game has no
// code for. Letters, digits and named keys follow the key's meaning in the current layout; keys
// that type a character a US keyboard does not have (a Cyrillic letter, a German umlaut), the
// digit row and the letter keys of a non-Latin layout fall back to the US key in their place.
// `latin_layout`: whether the layout types Latin letters (see LatinLayout).
int16_t VirtualKeyCode(SDL_Keycode sym, SDL_Scancode scancode, bool latin_layout = true);

// Whether the current keyboard layout types Latin letters (a Russian or Greek one does not).
bool LatinLayout();

// The modifier mask of a key event: Shift 1, Control 2, Alt 4 (either side of each).
int16_t ModifierMask(Uint16 mod);

// The SDL key that produces a virtual-key code, for keystrokes the program sends itself;
// SDLK_UNKNOWN when there is none.
SDL_Keycode SdlKeyFor(int16_t virtual_key);

}  // namespace veltro::platform::desktop
