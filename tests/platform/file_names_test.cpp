// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/base/file_names.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/base/environment.h"
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

  // The game looks its sounds up at every play: a name found once is found again without
  // listing the folder (nothing in it is opened: each event is a listing), until the file goes.
  Environment environment(dir.path, "");
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(inotify_add_watch(watch, dir.File("Sounds").c_str(), IN_OPEN), 0);
  for (int play = 0; play < 50; ++play) {
    EXPECT_EQ(environment.FindFile(dir.File("SOUNDS/ALT.WAV")), on_disk);
  }
  inotify_event events[64];
  EXPECT_EQ(read(watch, events, sizeof events), static_cast<ssize_t>(sizeof(inotify_event)));
  close(watch);
  std::filesystem::rename(on_disk, dir.File("Sounds/Alt.wav"));
  EXPECT_EQ(environment.FindFile(dir.File("SOUNDS/ALT.WAV")), dir.File("Sounds/Alt.wav"));
  std::filesystem::remove(dir.File("Sounds/Alt.wav"));
  EXPECT_FALSE(environment.FindFile(dir.File("SOUNDS/ALT.WAV")));
}

}  // namespace
}  // namespace veltro::platform
