#include <gtest/gtest.h>

#include "platform/text_lines.h"

namespace veltro::platform {
namespace {

using Lines = std::vector<std::string>;

TEST(TextLinesTest, CarriageReturnEndsALineAndLineFeedAloneDoesNot) {
  EXPECT_EQ(SplitLines("a\rb\r\nc"), (Lines{"a", "b", "c"}));
  EXPECT_EQ(SplitLines("one\ntwo\r"), (Lines{"one\ntwo"}));
  EXPECT_EQ(SplitLines("x\r\n\r\ny\r\n"), (Lines{"x", "", "y"}));
  EXPECT_EQ(SplitLines("\r\r"), (Lines{"", ""}));
  EXPECT_EQ(SplitLines("last line without ending"), (Lines{"last line without ending"}));
  EXPECT_TRUE(SplitLines("").empty());
}

}  // namespace
}  // namespace veltro::platform
