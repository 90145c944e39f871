// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace veltro::platform::desktop {

// What the game window shows a sighted helper: nothing the player needs, everything a helper
// would ask about. All of it large, light on dark.
struct WindowText {
  // During a flight: altitude, velocity and fuel, one line each.
  std::vector<std::string> readouts;
  // The last few texts spoken, oldest first.
  std::vector<std::string> recent;
  // A message box waiting for its answer: title, text, and the keys that answer it.
  struct Box {
    std::string title, text, keys;
  };
  std::optional<Box> box;
};

// Paints WindowText onto the window's surface with a bold sans-serif font (CaptionFontPath), in
// sizes that follow the window's height, wrapping lines at word boundaries to the window's width.
// Only what fits in the window is measured and drawn, so a text of any length costs no more than a
// full window.
class WindowTextPainter {
 public:
  // Throws PlatformError when SDL_ttf cannot start or no font can be found or read.
  WindowTextPainter();
  ~WindowTextPainter();
  WindowTextPainter(const WindowTextPainter&) = delete;
  WindowTextPainter& operator=(const WindowTextPainter&) = delete;

  void Paint(SDL_Surface* target, const WindowText& text);

 private:
  // The font at a pixel height, opened on first use; null when it cannot be opened.
  TTF_Font* Font(int pixels);
  // At most `max_lines` lines of `text` no wider than `width` in `font`; a word wider than that
  // stands alone, cut to as much of it as could show.
  std::vector<std::string> Wrap(TTF_Font* font, const std::string& text, int width,
                                size_t max_lines);
  // Draws the lines downwards from `y`, as far as `bottom`, and returns the y below the last.
  int DrawLines(SDL_Surface* target, const std::vector<std::string>& lines, int pixels, int x,
                int y, int width, int bottom, SDL_Color colour);

  // The font file, read once; every size is opened from it.
  std::vector<char> font_file_;
  std::map<int, TTF_Font*> fonts_;
};

}  // namespace veltro::platform::desktop
