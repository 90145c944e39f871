#include <gtest/gtest.h>

#include "sound/sounds_ini.h"
#include "sound_fixture.h"

namespace veltro::testing {
namespace {

using sound::EngineSettings;
using sound::ProcessSoundsIniLine;

struct IniCase {
  const char* line;
  int16_t sound_buffers, ogg_buffers;
  bool software;
  bool reported;
};

TEST(SoundsIni, EachLineAppliesItsRuleOrIsReported) {
  const IniCase cases[] = {
      {"SOUND BUFFERS=19", 30, 20, false, false},
      {"SOUND BUFFERS=20", 20, 20, false, false},
      {"SOUND BUFFERS=100", 100, 20, false, false},
      {"SOUND BUFFERS=101", 30, 20, false, false},
      {"SOUND BUFFERS=25.5", 26, 20, false, false},
      {"SOUND BUFFERS=24.5", 24, 20, false, false},
      {"SOUND BUFFERS", 30, 20, false, false},  // a key alone has the value 1
      {"  Sound Buffers = 40 ' forty slots", 40, 20, false, false},
      {"SOUND BUFFERS=99999", 50, 20, false, false},  // too large for 16 bits: kept
      {"OGG BUFFERS=101", 50, 100, false, false},
      {"ogg buffers=250", 50, 100, false, false},
      {"OGG BUFFERS=0", 50, 0, false, false},
      {"OGG BUFFERS=-3", 50, -3, false, false},
      {"SOFTWARE BUFFERS", 50, 20, true, false},
      {"SOFTWARE BUFFERS=0", 50, 20, false, false},
      {"SOFTWARE BUFFERS=YES", 50, 20, false, false},
      {"HRTF=2", 50, 20, false, false},
      {"MODIFY FREQUENCY=1", 50, 20, false, false},
      {"MINIMAL SOUNDS", 50, 20, false, false},
      {"' only a remark", 50, 20, false, false},
      {"   ", 50, 20, false, false},
      {"SOUND  BUFFERS=40", 50, 20, false, true},
      {"=5", 50, 20, false, true},
      {"; a remark", 50, 20, false, true},
      {"[Sound]", 50, 20, false, true},
      {"SOUND BUFFERS\t=40", 50, 20, false, true},
  };
  for (const IniCase& c : cases) {
    SCOPED_TRACE(c.line);
    FakeUi ui;
    EngineSettings settings;
    settings.SoundBuffers = 50;
    ProcessSoundsIniLine(c.line, settings, ui);
    EXPECT_EQ(settings.SoundBuffers, c.sound_buffers);
    EXPECT_EQ(settings.OggBuffers, c.ogg_buffers);
    EXPECT_EQ(settings.SoftwareBuffers, c.software);
    EXPECT_EQ(ui.boxes.size(), c.reported ? 1u : 0u);
  }
}

TEST(SoundsIni, UnknownKeyMessageQuotesTheProcessedLine) {
  FakeUi ui;
  EngineSettings settings;
  ProcessSoundsIniLine("  sound  buffers = 40 ' two blanks", settings, ui);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text,
            "Error in sounds.ini file - unrecognized parameter in line SOUND  BUFFERS = 40");
  EXPECT_EQ(ui.boxes[0].title, "");
  EXPECT_EQ(ui.boxes[0].buttons, platform::MessageBoxButtons::kOkCancel);
}

TEST(SoundsIni, LeadingNumber) {
  EXPECT_DOUBLE_EQ(sound::LeadingNumber("25.5 slots"), 25.5);
  EXPECT_DOUBLE_EQ(sound::LeadingNumber("-7"), -7);
  EXPECT_DOUBLE_EQ(sound::LeadingNumber("1E3"), 1000);
  EXPECT_DOUBLE_EQ(sound::LeadingNumber("YES"), 0);
  EXPECT_DOUBLE_EQ(sound::LeadingNumber(""), 0);
  EXPECT_DOUBLE_EQ(sound::LeadingNumber(".5"), 0.5);
}

TEST_F(SoundTest, SoundsIniFileIsReadWholeAndBadLinesDoNotStopIt) {
  ui.files[app_path + "sounds.ini"] =
      "bogus line\r\nSound Buffers = 40\r\nOGG BUFFERS=3\r\nSOUND BUFFERS=45\r\nSOFTWARE BUFFERS";
  sound::Sound& s = Started();
  EXPECT_EQ(s.Settings().SoundBuffers, 45);  // the last line of a key wins
  EXPECT_EQ(s.Settings().OggBuffers, 3);
  EXPECT_EQ(s.OggSlots().size(), 4u);
  EXPECT_TRUE(s.Settings().SoftwareBuffers);
  EXPECT_EQ(ui.boxes.size(), 1u);
  EXPECT_TRUE(s.QuietErrors());
}

TEST_F(SoundTest, MissingOrLineFeedOnlySoundsIni) {
  sound::Sound& s = Started();
  EXPECT_EQ(s.Settings().SoundBuffers, 30);
  EXPECT_EQ(s.Settings().OggBuffers, 20);
  EXPECT_EQ(s.Settings().Mp3Buffers, 20);
  EXPECT_FALSE(s.Settings().SoftwareBuffers);
  EXPECT_TRUE(ui.boxes.empty());

  // Line feeds alone do not end lines: the whole file is one setting with a long value.
  ui.files[app_path + "sounds.ini"] = "SOUND BUFFERS=40\nOGG BUFFERS=2\n";
  s.DSInit();
  EXPECT_EQ(s.Settings().SoundBuffers, 40);
  EXPECT_EQ(s.Settings().OggBuffers, 20);
}

}  // namespace
}  // namespace veltro::testing
