// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/sounds_ini.h"
#include "sound_fixture.h"

namespace veltro::testing {
namespace {

TEST(SoundsIni, EachLineAppliesItsRuleOrIsReported) {
  struct Case {
    const char* line;
    int16_t sound_buffers, ogg_buffers;
    bool software;
    const char* reported = nullptr;  // the message, as the line is shown in it
  };
  const Case cases[] = {
      {"SOUND BUFFERS=19", 30, 20, false},
      {"SOUND BUFFERS=20", 20, 20, false},
      {"SOUND BUFFERS=100", 100, 20, false},
      {"SOUND BUFFERS=101", 30, 20, false},
      {"SOUND BUFFERS=25.5", 26, 20, false},
      {"SOUND BUFFERS=24.5", 24, 20, false},
      {"SOUND BUFFERS=.4E2", 40, 20, false},
      {"SOUND BUFFERS", 30, 20, false},  // a key alone has the value 1
      {"  Sound Buffers = 40 ' forty slots", 40, 20, false},
      {"SOUND BUFFERS=99999", 50, 20, false},  // too large for 16 bits: kept
      {"ogg buffers=101", 50, 100, false},
      {"OGG BUFFERS=0", 50, 0, false},
      {"OGG BUFFERS=-3", 50, -3, false},
      {"SOFTWARE BUFFERS", 50, 20, true},
      {"SOFTWARE BUFFERS=0", 50, 20, false},
      {"SOFTWARE BUFFERS=YES", 50, 20, false},
      {"HRTF=2", 50, 20, false},
      {"MODIFY FREQUENCY=1", 50, 20, false},
      {"MINIMAL SOUNDS", 50, 20, false},
      {"' only a remark", 50, 20, false},
      {"   ", 50, 20, false},
      {"  sound  buffers = 40 ' two blanks", 50, 20, false, "SOUND  BUFFERS = 40"},
      {"=5", 50, 20, false, "=5"},
      {"; a remark", 50, 20, false, "; A REMARK"},
      {"SOUND BUFFERS\t=40", 50, 20, false, "SOUND BUFFERS\t=40"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    platform::headless::HeadlessDialogs dialogs;
    sound::EngineSettings settings;
    settings.SoundBuffers = 50;
    sound::ProcessSoundsIniLine(c.line, settings, dialogs);
    EXPECT_EQ(settings.SoundBuffers, c.sound_buffers);
    EXPECT_EQ(settings.OggBuffers, c.ogg_buffers);
    EXPECT_EQ(settings.SoftwareBuffers, c.software);
    ASSERT_EQ(dialogs.boxes().size(), c.reported ? 1u : 0u);
    if (c.reported) {
      EXPECT_EQ(
          dialogs.boxes()[0].text,
          std::string("Error in sounds.ini file - unrecognized parameter in line ") + c.reported);
      EXPECT_EQ(dialogs.boxes()[0].title, "");
      EXPECT_EQ(dialogs.boxes()[0].buttons, platform::MessageBoxButtons::kOkCancel);
    }
  }
}

TEST_F(SoundTest, StartUpOpensDeviceInOrderAndPumpsTheOggLibrary) {
  sound = std::make_unique<sound::Sound>(ui.ui(), dx, ogg, streams.direct_show, speech, app_path);
  for (int i = 0; i < 30; ++i) ui.events.DoEvents();
  EXPECT_EQ(ogg.updates, 0);  // not before start-up
  sound->DSInit();
  EXPECT_EQ(dx.log.calls,
            (std::vector<std::string>{
                "DirectSoundCreate()", "SetCooperativeLevel(2)", "CreatePrimaryBuffer(17)",
                "PrimaryPlay()", "SetFormat(2,22050,4,88200)", "GetDirectSound3DListener()",
                "SetRolloffFactor(1.000000)", "SetDistanceFactor(3.400000)"}));
  EXPECT_TRUE(ui.dialogs.boxes().empty());
  EXPECT_EQ(ogg.buffer_size, 5);
  // The library is pumped only while a stream is open; the timer stays enabled throughout.
  WriteTone(app_path + "a.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1, 22050, 22050);
  for (int open = 0; open < 3; ++open) {
    const int before = ogg.updates;
    int16_t stream = open == 1 ? sound->PlayOGGSound("A.OGG", 0, -1, 0, 8) : int16_t{0};
    for (int i = 0; i < 30; ++i) ui.events.DoEvents();
    EXPECT_EQ(ogg.updates > before, open == 1) << open;
    EXPECT_TRUE(sound->Timer1Enabled());
    sound->DeleteSound(stream);
  }

  ogg.refuses = true;  // a library that does not start leaves the timer off
  ogg.buffer_size = 0;
  sound->DSInit();
  EXPECT_FALSE(sound->Timer1Enabled());
  EXPECT_EQ(ogg.buffer_size, 0);
  ogg.refuses = false, ogg.init_throws = true;
  sound->DSInit();
  EXPECT_FALSE(sound->Timer1Enabled());
  EXPECT_TRUE(ui.dialogs.boxes().empty());
  // Without its library the engine cannot go on: the first OGG stream ends the program.
  const int shutdowns = ogg.shutdowns;
  EXPECT_THROW(sound->PlayOGGSound("A.OGG", 0, -1, 0, 0), platform::ProgramEnded);
  EXPECT_EQ(ui.dialogs.boxes().back().text, "OGG DLL is missing.");
  EXPECT_EQ(ogg.shutdowns, shutdowns + 1);
}

TEST_F(SoundTest, NoDeviceShowsTheMessageOncePerFailingStep) {
  dx.log.failing.insert("DirectSoundCreate");
  Started();
  ASSERT_EQ(ui.dialogs.boxes().size(), 8u);
  for (const auto& box : ui.dialogs.boxes()) {
    EXPECT_EQ(box.text, "Unable to initialize DirectSound - sound card may not be present");
    EXPECT_EQ(box.title, "Error");
    EXPECT_EQ(box.buttons, platform::MessageBoxButtons::kOk);
  }
  AddWav("click.wav");  // nothing can be loaded, and that is not reported again
  EXPECT_EQ(Play("click.wav"), 0);
  EXPECT_EQ(ui.dialogs.boxes().size(), 8u);

  dx.log.failing = {"SetCooperativeLevel", "SetRolloffFactor"};
  ui.dialogs.ClearBoxes();
  sound->DSInit();
  EXPECT_EQ(ui.dialogs.boxes().size(), 2u);  // the other steps go on
  EXPECT_EQ(dx.log.Count("SetDistanceFactor"), 1);
}

// A reset keeps the WAV slots. sounds.ini is read at each start and bad lines do not stop it;
// lines end at CR, CR LF or LF (the rule of every text file, tested with the environment).
TEST_F(SoundTest, SoundsIniAndResetAtEachStartAndShutdownFreesTheSlots) {
  sound::Sound& s = Started();
  AddWav("click.wav");
  int16_t handle = Play("click.wav", 2);
  s.ResetSounds();
  EXPECT_EQ(ogg.shutdowns, 1);
  EXPECT_EQ(dx.log.Count("DirectSoundCreate"), 2);
  EXPECT_EQ(BufferOf(handle)->source, app_path + "click.wav");
  EXPECT_TRUE(s.Timer1Enabled());
  ui.folder.Write("sounds.ini", "bogus\r\nSound Buffers = 40\nOGG BUFFERS=3\rSOUND BUFFERS=45");
  s.DSInit();
  EXPECT_EQ(s.Settings().SoundBuffers, 45);  // the last line of a key wins
  EXPECT_EQ(s.OggSlots().size(), 4u);
  EXPECT_EQ(ui.dialogs.boxes().size(), 1u);
  EXPECT_TRUE(s.QuietErrors());
  ogg.shutdown_throws = true;
  EXPECT_THROW(s.ResetSounds(), PlatformError);
  s.ShutdownForm1();  // a library failure does not keep the slots
  EXPECT_EQ(dx.LiveBuffers(), 0);
  int updates = ogg.updates;
  for (int i = 0; i < 30; ++i) ui.events.DoEvents();
  EXPECT_EQ(ogg.updates, updates);
  EXPECT_THROW(s.Form_Unload(), platform::ProgramEnded);
}

}  // namespace
}  // namespace veltro::testing
