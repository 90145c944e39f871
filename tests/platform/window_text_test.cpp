// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/desktop/window_text.h"

namespace veltro::platform::desktop {
namespace {

// What tesseract reads in the surface.
std::string ReadBack(SDL_Surface* surface) {
  const std::string image = std::filesystem::temp_directory_path() /
                            ("veltro-window-" + std::to_string(getpid()) + ".bmp");
  SDL_SaveBMP(surface, image.c_str());
  std::string text;
  if (FILE* ocr = popen(("tesseract '" + image + "' - 2>/dev/null").c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, ocr) != nullptr) text += buffer;
    pclose(ocr);
  }
  std::filesystem::remove(image);
  return text;
}

// The texts can be read back at small and large window sizes; a box is read over the rest.
TEST(WindowTextTest, ReadoutsSpokenTextsAndBoxesAreReadableAtEveryWindowSize) {
  WindowTextPainter painter;
  WindowText flight{{"Altitude 900 ft", "Velocity 35 ft/s", "Fuel 224"}, {"900", "Moon"}, {}};
  for (auto [width, height] : {std::pair{320, 240}, {1280, 720}}) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGB888);
    ASSERT_NE(surface, nullptr);
    painter.Paint(surface, flight);
    const std::string read = ReadBack(surface);
    for (const char* word : {"Altitude 900", "Velocity 35", "Fuel 224", "Moon"}) {
      EXPECT_THAT(read, ::testing::HasSubstr(word));
    }
    if (width == 1280) {
      flight.box = WindowText::Box{"Error!", "Error initializing screen reader or MS SAPI.",
                                   "OK: Enter or Escape"};
      painter.Paint(surface, flight);
      EXPECT_THAT(ReadBack(surface), ::testing::AllOf(::testing::HasSubstr("SAPI."),
                                                      ::testing::HasSubstr("Enter or Escape")));
      // A megabyte of words, or one word of a megabyte (a sounds.ini line in a box): only what
      // fits is drawn, in a moment.
      std::string words;
      while (words.size() < 1 << 20) words += "parameter ";
      for (const std::string& huge : {std::string(1 << 20, 'x'), words}) {
        flight.recent.push_back(huge);
        flight.box->text = huge;
        const auto start = std::chrono::steady_clock::now();
        painter.Paint(surface, flight);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
      }
    }
    SDL_FreeSurface(surface);
  }
}

}  // namespace
}  // namespace veltro::platform::desktop
