// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/base/scope_guard.h"
#include "platform/events/user_interface.h"
#include "platform/speech/speech_backends.h"
#include "speech/character_table.h"
#include "speech/ports.h"

namespace veltro::speech {

// FRMTTS, the speech form: the one channel all speech of the program passes through. It drives one
// back-end at a time (1 = the screen reader, 3 = the program's own voice, 0 = silent), remembers
// the last text it handed over, and offers the voice, rate and volume adjustments and the
// spelling and review operations. It receives key presses only while one of its key loops runs.
// Its implementation is split by responsibility:
//   speech_form.cpp      construction, TTSSetup and the back-ends, key capture
//   speak.cpp            speak and the stops
//   voice_adjustment.cpp AdjustVoice, AdjustRate, AdjustVolume, SetSapiValues
//   spelling.cpp         repeating and spelling what was said, SayCharacter, EditBox
//   character_table.cpp  the spoken names of the characters (CharacterTable)
class FRMTTS : public platform::KeyHandler {
 public:
  FRMTTS(const platform::UserInterface& ui, platform::SpeechBackends& backends,
         SpeechPauses& pauses);
  ~FRMTTS() override;
  FRMTTS(const FRMTTS&) = delete;
  FRMTTS& operator=(const FRMTTS&) = delete;

  // Choosing, speaking and stopping.
  void TTSSetup(int16_t TTSType);
  void speak(const std::string& t, int16_t SystemType = 0);
  void StopSpeech();
  void StopSpeaking(int16_t window);
  void StopSpeakingAll();
  // A message of the program's own (a message box, the keys that answer it) spoken through
  // whichever back-end works: the active one, else the voice, started for it if need be. The
  // choice of back-end and the last text spoken stay as they are.
  void SpeakNotice(const std::string& text);

  // Key capture: the loops below read the last key that reached the form.
  void KeyDown(int16_t KeyCode, int16_t Shift) override;
  void KeyUp(int16_t KeyCode, int16_t Shift) override;

  // Voice, rate and volume of the program's own voice.
  void AdjustVoice(int16_t& CurrentVoice);
  void AdjustRate(int16_t& CurrentRate);
  void AdjustRate2(int16_t Jump, int16_t& CurrentRate);
  void AdjustVolume(int16_t& CurrentVolume);
  void SetSapiValues(int16_t VoiceValue, int16_t RateValue, int16_t VolumeValue,
                     int16_t PriorityValue, int16_t& VoiceChoice);
  void SetSapiValues(int16_t VoiceValue, int16_t RateValue, int16_t VolumeValue,
                     int16_t PriorityValue);

  // Review and spelling.
  void RepeatLastThingSpoken();
  void SpellLastThingSpoken();
  void SpellWord(const std::string& phrase, int16_t WType = 0);
  std::string SayCharacter(int16_t KeyCode, int16_t Shift) const;
  std::string EditBox(const std::string& message);

  // State the callers and tests read.
  int16_t CurrentTTSType() const { return current_tts_type_; }
  const std::string& LastThingSpoken() const { return last_thing_spoken_; }
  int16_t LastKeyCode() const { return last_key_code_; }
  int16_t LastShift() const { return last_shift_; }
  const CharacterTable& Characters() const { return character_table_; }
  // Voice slot 1 to 6; null while the slot is empty.
  platform::SapiVoice* SapiVoices(int slot) const;

  static constexpr int kVoiceSlots = 6;
  // Said by the voice when it takes over from a screen reader that failed during the game.
  static constexpr const char* kScreenReaderLost =
      "The screen reader cannot be reached; the built-in voice speaks instead.";
  // Shown and logged (nobody can hear it) when the voice cannot take over either.
  static constexpr const char* kSpeechLost =
      "The screen reader cannot be reached and the built-in voice cannot start: the game goes on "
      "without speech.";

 private:
  // Holds the keyboard for the form while one of its key loops runs, and gives it back to the
  // window that had it when the loop ends, however it ends.
  auto CaptureKeyboard() {
    platform::KeyHandler* previous = ui_.events.SetKeyTarget(this);
    return platform::ScopeGuard([this, previous] { ui_.events.SetKeyTarget(previous); });
  }

  void StartBackend(int16_t type);
  // Stops every back-end but the one of `type`, ignoring failures.
  void SilenceAllBut(int16_t type);
  // The screen reader failed during the game: the voice speaks from now on (or nothing, when the
  // voice cannot be started either).
  void FallBackToVoice();
  // The active back-end objects; a missing one is a failure of the call that needs it.
  platform::ScreenReader& Reader();
  platform::SapiVoice& Slot(int slot);
  // Clears the key capture, serves the queue once and returns the key that came, or 0.
  int16_t PollKey();
  // Steps a setting of voice slot 1 (the rate, the volume) with the arrow keys, applying and
  // announcing each value, until Enter or Escape; returns the value reached.
  struct ArrowSetting;
  int16_t AdjustWithArrows(const ArrowSetting& setting);
  // Speaks the spoken form of the row for `c`; false when no row types that character.
  bool SpeakCharacter(char c);

  platform::UserInterface ui_;
  platform::SpeechBackends& backends_;
  SpeechPauses& pauses_;

  int16_t current_tts_type_ = 0;
  std::unique_ptr<platform::ScreenReader> screen_reader_;
  std::array<std::unique_ptr<platform::SapiVoice>, kVoiceSlots> sapi_voices_;
  std::string last_thing_spoken_;
  int16_t last_key_code_ = 0;
  int16_t last_shift_ = 0;
  const CharacterTable character_table_;
};

}  // namespace veltro::speech
