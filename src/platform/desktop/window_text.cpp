// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/window_text.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/base/platform_error.h"
#include "platform/desktop/caption_font.h"

namespace veltro::platform::desktop {

namespace {

constexpr SDL_Color kBackground{8, 12, 32, 255};
constexpr SDL_Color kReadout{255, 230, 90, 255};  // amber on near-black: over 12:1 contrast
constexpr SDL_Color kSpoken{255, 255, 255, 255};
constexpr SDL_Color kOlder{190, 200, 220, 255};
constexpr SDL_Color kBoxBackground{30, 40, 90, 255};

Uint32 Map(SDL_Surface* target, SDL_Color colour) {
  return SDL_MapRGB(target->format, colour.r, colour.g, colour.b);
}

// A word cut to `bytes` at most, without splitting a character.
void CutWord(std::string& word, size_t bytes) {
  if (word.size() <= bytes) return;
  while (bytes > 0 && (static_cast<unsigned char>(word[bytes]) & 0xC0) == 0x80) --bytes;
  word.resize(bytes);
}

}  // namespace

WindowTextPainter::WindowTextPainter() {
  const std::string font_path = CaptionFontPath();
  std::ifstream file(font_path, std::ios::binary);
  font_file_.assign(std::istreambuf_iterator<char>(file), {});
  if (font_file_.empty()) throw PlatformError("cannot read the font " + font_path);
  if (TTF_WasInit() == 0 && TTF_Init() != 0) {
    throw PlatformError(std::string("cannot start SDL_ttf: ") + TTF_GetError());
  }
  if (Font(24) == nullptr) {
    TTF_Quit();
    throw PlatformError("cannot read the font " + font_path + ": " + TTF_GetError());
  }
}

WindowTextPainter::~WindowTextPainter() {
  for (auto& [size, font] : fonts_) TTF_CloseFont(font);
  TTF_Quit();
}

TTF_Font* WindowTextPainter::Font(int pixels) {
  pixels = std::clamp(pixels, 8, 400);
  auto found = fonts_.find(pixels);
  if (found != fonts_.end()) return found->second;
  SDL_RWops* source = SDL_RWFromConstMem(font_file_.data(), static_cast<int>(font_file_.size()));
  TTF_Font* font = source != nullptr ? TTF_OpenFontRW(source, 1, pixels) : nullptr;
  if (font != nullptr) fonts_[pixels] = font;
  return font;
}

std::vector<std::string> WindowTextPainter::Wrap(TTF_Font* font, const std::string& text, int width,
                                                 size_t max_lines) {
  // No glyph of the font is narrower than two pixels: a longer word cannot show whole.
  const size_t longest_word = static_cast<size_t>(std::max(width, 64)) / 2;
  std::vector<std::string> lines;
  std::istringstream words(text);
  std::string line, word;
  while (lines.size() < max_lines && words >> word) {
    CutWord(word, longest_word);
    std::string longer = line.empty() ? word : line + " " + word;
    int w = 0;
    TTF_SizeUTF8(font, longer.c_str(), &w, nullptr);
    if (w > width && !line.empty()) {
      lines.push_back(line);
      line = word;
    } else {
      line = longer;
    }
  }
  if (!line.empty() && lines.size() < max_lines) lines.push_back(line);
  return lines;
}

int WindowTextPainter::DrawLines(SDL_Surface* target, const std::vector<std::string>& lines,
                                 int pixels, int x, int y, int width, int bottom,
                                 SDL_Color colour) {
  TTF_Font* font = Font(pixels);
  if (font == nullptr) return y;
  const int skip = std::max(1, TTF_FontLineSkip(font));
  for (const std::string& text : lines) {
    if (y >= bottom) break;
    const auto room = static_cast<size_t>((bottom - y + skip - 1) / skip);
    for (const std::string& line : Wrap(font, text, width, room)) {
      SDL_Surface* rendered = TTF_RenderUTF8_Blended(font, line.c_str(), colour);
      if (rendered == nullptr) continue;
      SDL_Rect where{x, y, rendered->w, rendered->h};
      SDL_BlitSurface(rendered, nullptr, target, &where);
      SDL_FreeSurface(rendered);
      y += skip;
    }
  }
  return y;
}

void WindowTextPainter::Paint(SDL_Surface* target, const WindowText& text) {
  SDL_FillRect(target, nullptr, Map(target, kBackground));
  const int h = target->h, margin = std::max(8, target->w / 30);
  const int width = target->w - 2 * margin;
  int y = margin;
  y = DrawLines(target, text.readouts, h / 9, margin, y, width, h, kReadout);
  if (!text.readouts.empty()) y += h / 30;
  // The newest text brightest and largest, the older ones above it.
  for (size_t i = 0; i < text.recent.size(); ++i) {
    const bool newest = i + 1 == text.recent.size();
    y = DrawLines(target, {text.recent[i]}, newest ? h / 11 : h / 15, margin, y, width, h,
                  newest ? kSpoken : kOlder);
  }
  if (text.box) {
    // The box covers the middle of the window; its text, then the keys that answer it.
    SDL_Rect panel{margin / 2, h / 5, target->w - margin, h * 3 / 5};
    SDL_FillRect(target, &panel, Map(target, kReadout));
    SDL_Rect inner{panel.x + 4, panel.y + 4, panel.w - 8, panel.h - 8};
    SDL_FillRect(target, &inner, Map(target, kBoxBackground));
    int by = inner.y + margin / 2;
    const int bottom = inner.y + inner.h;
    by = DrawLines(target, {text.box->title}, h / 14, margin, by, width - margin, bottom, kReadout);
    by = DrawLines(target, {text.box->text}, h / 13, margin, by, width - margin, bottom, kSpoken);
    DrawLines(target, {text.box->keys}, h / 16, margin, by + h / 40, width - margin, bottom,
              kReadout);
  }
}

}  // namespace veltro::platform::desktop
