// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/audio_file_fixtures.h"

namespace veltro::platform {
namespace {

TEST(FileNamesTest, FindsFilesWhoseNamesDifferOnlyInCaseAlongThePath) {
  testing::TempDir dir;
  const std::string on_disk = dir.Write("Sounds/alt.wav", "x");
  for (const char* name : {"Sounds/alt.wav", "SOUNDS/ALT.WAV", "sounds/Alt.Wav"}) {
    EXPECT_EQ(FindFileIgnoringCase(dir.File(name)), on_disk) << name;
  }
  // Folders and missing names are not files; a missing folder is not worth a report.
  std::vector<std::string> unlistable;
  auto report = [&unlistable](const std::string& folder, std::error_code) {
    unlistable.push_back(folder);
  };
  for (const char* name : {"SOUNDS", "SOUNDS/FUEL.WAV", "NOPE/ALT.WAV", "Sounds/alt.wav/X"}) {
    EXPECT_FALSE(FindFileIgnoringCase(dir.File(name), report)) << name;
  }
  EXPECT_FALSE(FindFileIgnoringCase(""));
  EXPECT_TRUE(unlistable.empty());
  // A folder that is there but cannot be listed (a link to itself fails even for root) is.
  std::filesystem::create_directory_symlink("Loop", dir.File("Loop"));
  EXPECT_FALSE(FindFileIgnoringCase(dir.File("Loop/ALT.WAV"), report));
  EXPECT_EQ(unlistable, std::vector<std::string>{dir.File("Loop")});
}

}  // namespace
}  // namespace veltro::platform
