// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <limits>

#include "platform/base/platform_error.h"
#include "platform/events/keys.h"
#include "speech/speech_form.h"

namespace veltro::speech {

namespace {

using namespace veltro::keys;

// The voice list is walked with Up/Left/J/I towards its start and Down/Right/K/L towards its end;
// rate and volume go down with Down/Left/K/J and up with Up/Right/I/L.
bool IsPreviousVoiceKey(int16_t k) {
  return k == kUp || k == kLeft || k == Letter('J') || k == Letter('I');
}
bool IsNextVoiceKey(int16_t k) {
  return k == kDown || k == kRight || k == Letter('K') || k == Letter('L');
}
bool IsDownKey(int16_t k) {
  return k == kDown || k == kLeft || k == Letter('K') || k == Letter('J');
}
bool IsUpKey(int16_t k) {
  return k == kUp || k == kRight || k == Letter('I') || k == Letter('L');
}
bool IsEndKey(int16_t k) {
  return k == kReturn || k == kEscape;
}

int16_t ToInt16(int32_t value) {
  return static_cast<int16_t>(std::clamp<int32_t>(value, std::numeric_limits<int16_t>::min(),
                                                  std::numeric_limits<int16_t>::max()));
}

}  // namespace

void FRMTTS::AdjustVoice(int16_t& CurrentVoice) {
  if (current_tts_type_ != 3) return;
  auto capture = CaptureKeyboard();
  int32_t highest_allowed = 32767;
  // Speech trouble while prompting must not end the choice: the user can still press Enter.
  platform::TryStep([&] { speak("Use the arrows  to select voice. Press Enter when done."); });
  CurrentVoice = -1;
  for (;;) {
    int16_t key = 0;
    while (key == 0) key = PollKey();
    platform::TryStep([&] { StopSpeech(); });

    if (IsEndKey(key)) return;
    if (IsPreviousVoiceKey(key)) {
      if (CurrentVoice <= 0) continue;
      --CurrentVoice;
    } else if (IsNextVoiceKey(key)) {
      if (CurrentVoice >= highest_allowed) continue;
      ++CurrentVoice;
    }
    // Any other key applies and announces the current choice again.
    const bool applied = platform::TryStep([&] {
      StopSpeech();
      platform::SapiVoice& voice = Slot(1);
      voice.SetVoice(voice.GetVoices("", "")->Item(CurrentVoice));
      speak("Here is the current voice");
    });
    if (applied) continue;
    // The index lies past the end of the list (or before its start): stay below it from now on.
    if (CurrentVoice == 0) {
      ui_.dialogs.MessageBox("No MS SAPI Voices were found.", "Error! ",
                             platform::MessageBoxIcon::kCritical, platform::MessageBoxButtons::kOk);
      return;
    }
    highest_allowed = CurrentVoice - 1;
    last_key_code_ = 0;
  }
}

// A setting of voice slot 1 as the arrow keys step it between its ends.
struct FRMTTS::ArrowSetting {
  const char* prompt;
  const char* announcement;
  int32_t (platform::SapiVoice::*get)();
  void (platform::SapiVoice::*set)(int32_t);
  int32_t lowest, highest, step;
};

int16_t FRMTTS::AdjustWithArrows(const ArrowSetting& setting) {
  auto capture = CaptureKeyboard();
  int32_t value = (Slot(1).*setting.get)();
  speak(setting.prompt);
  for (;;) {
    const int16_t key = PollKey();
    if (key == 0) continue;
    if (IsEndKey(key)) break;
    if (IsUpKey(key)) {
      if (value >= setting.highest) continue;
      value += setting.step;
    } else if (IsDownKey(key)) {
      if (value <= setting.lowest) continue;
      value -= setting.step;
    }
    // A value that started off the steps (a volume of 97) can step past the ends; it is kept for
    // the next key but never applied.
    if (value < setting.lowest || value > setting.highest) continue;
    (Slot(1).*setting.set)(value);
    StopSpeech();
    speak(setting.announcement);
  }
  return ToInt16(value);
}

void FRMTTS::AdjustRate(int16_t& CurrentRate) {
  if (current_tts_type_ != 3) return;
  CurrentRate = AdjustWithArrows({"Use the arrows to adjust rate. Press Enter when done.",
                                  "Here is the new rate.", &platform::SapiVoice::Rate,
                                  &platform::SapiVoice::SetRate, platform::kLowestRate,
                                  platform::kHighestRate, 1});
}

void FRMTTS::AdjustRate2(int16_t Jump, int16_t& CurrentRate) {
  if (current_tts_type_ != 3) return;
  platform::SapiVoice& voice = Slot(1);
  const int64_t wanted = static_cast<int64_t>(voice.Rate()) + Jump;
  const int32_t rate = static_cast<int32_t>(
      std::clamp<int64_t>(wanted, platform::kLowestRate, platform::kHighestRate));
  voice.SetRate(rate);
  CurrentRate = static_cast<int16_t>(rate);
}

void FRMTTS::AdjustVolume(int16_t& CurrentVolume) {
  if (current_tts_type_ != 3) return;
  CurrentVolume = AdjustWithArrows({"Use the arrows to adjust volume. Press Enter when done.",
                                    "Here is the new volume.", &platform::SapiVoice::Volume,
                                    &platform::SapiVoice::SetVolume, platform::kLowestVolume,
                                    platform::kHighestVolume, 5});
}

void FRMTTS::SetSapiValues(int16_t VoiceValue, int16_t RateValue, int16_t VolumeValue,
                           int16_t PriorityValue, int16_t& VoiceChoice) {
  if (VoiceChoice < 0) VoiceChoice = 1;
  if (VoiceChoice < 1 || VoiceChoice > kVoiceSlots) return;
  // The first step that fails ends the operation; the steps before it stay in force.
  platform::TryStep([&] {
    std::shared_ptr<platform::VoiceToken> token = Slot(1).GetVoices("", "")->Item(VoiceValue);
    platform::SapiVoice& voice = Slot(VoiceChoice);
    voice.SetVoice(token);
    voice.SetRate(RateValue);
    voice.SetVolume(VolumeValue);
    voice.SetPriority(PriorityValue);
  });
}

void FRMTTS::SetSapiValues(int16_t VoiceValue, int16_t RateValue, int16_t VolumeValue,
                           int16_t PriorityValue) {
  int16_t omitted = -1;
  SetSapiValues(VoiceValue, RateValue, VolumeValue, PriorityValue, omitted);
}

}  // namespace veltro::speech
