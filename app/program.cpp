// SPDX-License-Identifier: GPL-3.0-or-later
#include "program.h"

#include "platform/base/platform_error.h"
#include "sound/sound.h"
#include "sound_log.h"
#include "speech/speech_form.h"
#include "spoken_dialogs.h"

namespace veltro::app {

// The one speech window of the program, made when it is first needed and kept to the end of the
// run. It serves the game and the sound engine (which speaks sound names that begin with "#").
class Program::SpeechWindow : public game::GameSpeech, public sound::SoundSpeech {
 public:
  SpeechWindow(const platform::UserInterface& ui, platform::SpeechBackends& backends,
               speech::SpeechPauses& pauses)
      : ui_(ui), backends_(backends), pauses_(pauses) {}

  void Say(const std::string& text) override { Form().speak(text, 0); }
  void StopSpeech() override { Form().StopSpeech(); }
  void TTSSetup(int16_t TTSType) override { Form().TTSSetup(TTSType); }
  void speak(const std::string& t, int16_t SystemType) override { Form().speak(t, SystemType); }
  void StopSpeakingAll() override { Form().StopSpeakingAll(); }
  void SpeakNotice(const std::string& text) { Form().SpeakNotice(text); }

 private:
  speech::FRMTTS& Form() {
    if (!form_) form_ = std::make_unique<speech::FRMTTS>(ui_, backends_, pauses_);
    return *form_;
  }

  platform::UserInterface ui_;
  platform::SpeechBackends& backends_;
  speech::SpeechPauses& pauses_;
  std::unique_ptr<speech::FRMTTS> form_;
};

// The sound engine as the game sees it, made the first time the game needs it.
class Program::SoundEngine : public game::GameSound {
 public:
  SoundEngine(platform::Platform& platform, sound::SoundSpeech& speech, const std::string& AppPath)
      : platform_(platform), speech_(speech), AppPath(AppPath) {}

  bool Started() const { return engine_ != nullptr; }

  void DSInit() override { Engine().DSInit(); }
  int16_t PlaySound(const std::string& waveFileIn, int16_t& Volume, int32_t& Frequency,
                    int16_t& Pan, int32_t& StartPosition, int16_t& DSFlags) override {
    return Engine().PlaySound(waveFileIn, Volume, Frequency, Pan, StartPosition, DSFlags);
  }
  bool IsPlaying(int16_t Index) override { return Engine().IsPlaying(Index); }
  void StopPlay(int16_t Index) override { Engine().StopPlay(Index); }
  void SetVolume(int16_t Index, int16_t Volume) override { Engine().SetVolume(Index, Volume); }
  void SetPan(int16_t Index, int16_t Pan) override { Engine().SetPan(Index, Pan); }
  void SetFrequency(int16_t Index, int32_t& Frequency) override {
    Engine().SetFrequency(Index, Frequency);
  }

 private:
  sound::Sound& Engine() {
    if (!engine_) {
      engine_ = std::make_unique<sound::Sound>(platform_.ui, platform_.sound, platform_.ogg,
                                               platform_.direct_show, speech_, AppPath);
    }
    return *engine_;
  }

  platform::Platform& platform_;
  sound::SoundSpeech& speech_;
  const std::string& AppPath;
  std::unique_ptr<sound::Sound> engine_;
};

// speech -> game: spelling pauses with the game's own wait, which discards keystrokes.
class Program::SpeechPausesPort : public speech::SpeechPauses {
 public:
  explicit SpeechPausesPort(Program& program) : program_(program) {}
  void WaitSeconds(float seconds) override { program_.Game().WaitSeconds(seconds); }

 private:
  Program& program_;
};

namespace {

platform::Platform WithDialogs(platform::Platform platform, platform::Dialogs& dialogs) {
  return {{platform.ui.events, dialogs, platform.ui.environment},
          platform.sound,
          platform.ogg,
          platform.direct_show,
          platform.speech};
}

}  // namespace

Program::Program(platform::Platform platform, std::ostream* sound_log)
    : dialogs_(std::make_unique<SpokenDialogs>(
          platform.ui.dialogs, [this](const std::string& text) { speech_->SpeakNotice(text); },
          [&speech = platform.speech](const std::string& note) { speech.Note(note); })),
      platform_(WithDialogs(platform, *dialogs_)),
      speech_pauses_(std::make_unique<SpeechPausesPort>(*this)),
      speech_(std::make_unique<SpeechWindow>(platform_.ui, platform_.speech, *speech_pauses_)),
      sound_(std::make_unique<SoundEngine>(platform_, *speech_, AppPath)) {
  platform_.ui.events.SetHelp(&platform_.ui.dialogs);
  game::GameSound* game_sound = sound_.get();
  if (sound_log != nullptr) {
    sound_log_ = std::make_unique<SoundLog>(*sound_, platform_.ui.events, *sound_log);
    game_sound = sound_log_.get();
  }
  game_ = std::make_unique<game::FRMMain>(platform_.ui, *speech_, *game_sound, AppPath);
}

// The game goes first: its timer and handlers refer to everything else.
Program::~Program() = default;

bool Program::SoundStarted() const {
  return sound_->Started();
}

int Program::Run() {
  try {
    // A start-up that fails is reported like any handler's failure; the window stays open.
    platform_.ui.events.Dispatch([this] { game_->Form_Load(); });
    platform_.ui.events.RunMessageLoop();
  } catch (const platform::ProgramEnded& ended) {
    return ended.status;
  }
  return 0;
}

}  // namespace veltro::app
