#include "platform/file_names.h"

#include <gtest/gtest.h>

#include "support/audio_file_fixtures.h"

namespace veltro::platform {
namespace {

TEST(FileNamesTest, FindsFilesWhoseNamesDifferOnlyInCaseAlongThePath) {
  testing::TempDir dir;
  const std::string on_disk = dir.Write("Sounds/alt.wav", "x");
  for (const char* name : {"Sounds/alt.wav", "SOUNDS/ALT.WAV", "sounds/Alt.Wav"}) {
    EXPECT_EQ(FindFileIgnoringCase(dir.File(name)), on_disk) << name;
  }
  // Folders and missing names are not files.
  for (const char* name : {"SOUNDS", "SOUNDS/FUEL.WAV", "NOPE/ALT.WAV"}) {
    EXPECT_FALSE(FindFileIgnoringCase(dir.File(name))) << name;
  }
  EXPECT_FALSE(FindFileIgnoringCase(""));
}

}  // namespace
}  // namespace veltro::platform
