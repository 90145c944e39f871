#include "program.h"

#include "platform/platform_error.h"
#include "sound_log.h"

namespace veltro::app {

// game -> speech: what the game says goes through Say; stopping and choosing the back-end go to
// the speech form itself.
class Program::GameSpeechPort : public game::GameSpeech {
 public:
  explicit GameSpeechPort(speech::SpeechFormHolder& speech) : speech_(speech) {}
  void Say(const std::string& text) override { speech::Say(speech_, text); }
  void StopSpeech() override { speech_.Form().StopSpeech(); }
  void TTSSetup(int16_t TTSType) override { speech_.Form().TTSSetup(TTSType); }

 private:
  speech::SpeechFormHolder& speech_;
};

// game -> sound: the engine is created the first time the game needs it.
class Program::GameSoundPort : public game::GameSound {
 public:
  explicit GameSoundPort(Program& program) : program_(program) {}
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
  sound::Sound& Engine() { return program_.SoundEngine(); }
  Program& program_;
};

// sound -> speech: sound names that begin with "#" are spoken.
class Program::SoundSpeechPort : public sound::SoundSpeech {
 public:
  explicit SoundSpeechPort(speech::SpeechFormHolder& speech) : speech_(speech) {}
  void speak(const std::string& t, int16_t SystemType) override {
    speech_.Form().speak(t, SystemType);
  }
  void StopSpeakingAll() override { speech_.Form().StopSpeakingAll(); }

 private:
  speech::SpeechFormHolder& speech_;
};

// speech -> game: spelling pauses with the game's own wait, which discards keystrokes.
class Program::SpeechPausesPort : public speech::SpeechPauses {
 public:
  explicit SpeechPausesPort(Program& program) : program_(program) {}
  void WaitSeconds(float seconds) override { program_.Game().WaitSeconds(seconds); }

 private:
  Program& program_;
};

Program::Program(platform::Platform platform, std::ostream* sound_log)
    : platform_(platform),
      speech_pauses_(std::make_unique<SpeechPausesPort>(*this)),
      speech_(std::make_unique<speech::SpeechFormHolder>(platform_.ui, platform_.speech,
                                                         *speech_pauses_)),
      sound_speech_(std::make_unique<SoundSpeechPort>(*speech_)),
      game_speech_(std::make_unique<GameSpeechPort>(*speech_)),
      game_sound_(std::make_unique<GameSoundPort>(*this)) {
  platform_.ui.events.SetHelp(&platform_.ui.dialogs);
  game::GameSound* game_sound = game_sound_.get();
  if (sound_log != nullptr) {
    sound_log_ = std::make_unique<SoundLog>(*game_sound_, platform_.ui.events, *sound_log);
    game_sound = sound_log_.get();
  }
  game_ = std::make_unique<game::FRMMain>(platform_.ui, *game_speech_, *game_sound, AppPath);
}

// The game goes first: its timer and handlers refer to everything else.
Program::~Program() = default;

sound::Sound& Program::SoundEngine() {
  if (!sound_) {
    sound_ = std::make_unique<sound::Sound>(platform_.ui, platform_.sound, platform_.ogg,
                                            *sound_speech_, AppPath);
  }
  return *sound_;
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
