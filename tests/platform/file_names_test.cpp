#include "platform/file_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class FileNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("veltro_names_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(root_ / "Sounds");
    std::ofstream(root_ / "Sounds" / "alt.wav") << "x";
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_;
};

TEST_F(FileNamesTest, FindsNamesThatDifferOnlyInCaseAlongThePath) {
  const std::string on_disk = (root_ / "Sounds" / "alt.wav").string();
  EXPECT_EQ(veltro::platform::FindFileIgnoringCase(on_disk), on_disk);
  EXPECT_EQ(veltro::platform::FindFileIgnoringCase((root_ / "SOUNDS" / "ALT.WAV").string()),
            on_disk);
  EXPECT_EQ(veltro::platform::FindFileIgnoringCase((root_ / "sounds" / "Alt.Wav").string()),
            on_disk);
}

TEST_F(FileNamesTest, FoldersAndMissingNamesAreNotFiles) {
  EXPECT_FALSE(veltro::platform::FindFileIgnoringCase((root_ / "SOUNDS").string()));
  EXPECT_FALSE(veltro::platform::FindFileIgnoringCase((root_ / "SOUNDS" / "FUEL.WAV").string()));
  EXPECT_FALSE(veltro::platform::FindFileIgnoringCase((root_ / "NOPE" / "ALT.WAV").string()));
  EXPECT_FALSE(veltro::platform::FindFileIgnoringCase(""));
}

}  // namespace
