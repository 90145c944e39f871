// SPDX-License-Identifier: GPL-3.0-or-later
// FRMTTS, the speech form: construction, TTSSetup and the choice of back-end, key capture.
#include "speech/speech_form.h"

#include "platform/base/platform_error.h"

namespace veltro::speech {

FRMTTS::FRMTTS(const platform::UserInterface& ui, platform::SpeechBackends& backends,
               SpeechPauses& pauses)
    : ui_(ui), backends_(backends), pauses_(pauses) {}

FRMTTS::~FRMTTS() = default;

void FRMTTS::TTSSetup(int16_t TTSType) {
  SilenceAllBut(TTSType);
  if (TTSType == 0) {
    current_tts_type_ = 0;
    return;
  }
  // A screen reader that cannot be reached falls back to the voice; a voice that cannot be
  // started leaves the program silent. Each failure is shown once. The next choice follows from
  // the back-end that failed, not from the type afterwards: the game goes on under the box, and
  // speech that failed meanwhile may already have fallen back to the voice.
  int16_t type = TTSType;
  current_tts_type_ = type;
  while (!platform::TryStep([&] { StartBackend(type); })) {
    ui_.dialogs.MessageBox("Error initializing screen reader or MS SAPI.", "Error! ",
                           platform::MessageBoxIcon::kCritical, platform::MessageBoxButtons::kOk);
    type = type == 3 ? 0 : 3;
    current_tts_type_ = type;
    if (type == 0) return;
  }
}

void FRMTTS::SilenceAllBut(int16_t type) {
  // What the other back-end still has queued would go on under the chosen one: two voices at once.
  if (type != 1 && screen_reader_) platform::TryStep([&] { screen_reader_->StopSpeech(); });
  if (type != 3 && sapi_voices_[0]) {
    platform::TryStep(
        [&] { sapi_voices_[0]->Speak(std::nullopt, platform::SVSFPurgeBeforeSpeak); });
  }
}

void FRMTTS::StartBackend(int16_t type) {
  if (type == 1) {
    // Every start connects afresh, so a screen reader that went away can be reached again; one
    // that cannot be reached is not kept either.
    screen_reader_.reset();
    std::unique_ptr<platform::ScreenReader> reader = backends_.CreateScreenReader();
    if (!reader) throw platform::PlatformError("the screen reader could not be created");
    screen_reader_ = std::move(reader);
  } else if (type == 3) {
    // The voice, once made, keeps its settings for the rest of the run.
    if (sapi_voices_[0]) return;
    std::unique_ptr<platform::SapiVoice> voice = backends_.CreateSapiVoice();
    if (!voice) throw platform::PlatformError("the voice could not be created");
    sapi_voices_[0] = std::move(voice);
  }
}

platform::ScreenReader& FRMTTS::Reader() {
  if (!screen_reader_) throw platform::PlatformError("no screen reader is connected");
  return *screen_reader_;
}

platform::SapiVoice& FRMTTS::Slot(int slot) {
  platform::SapiVoice* voice = SapiVoices(slot);
  if (voice == nullptr) {
    throw platform::PlatformError("voice slot " + std::to_string(slot) + " holds no voice");
  }
  return *voice;
}

platform::SapiVoice* FRMTTS::SapiVoices(int slot) const {
  if (slot < 1 || slot > kVoiceSlots) return nullptr;
  return sapi_voices_[slot - 1].get();
}

void FRMTTS::KeyDown(int16_t KeyCode, int16_t Shift) {
  last_key_code_ = KeyCode;
  last_shift_ = Shift;
}

void FRMTTS::KeyUp(int16_t, int16_t) {}

int16_t FRMTTS::PollKey() {
  last_key_code_ = 0;
  ui_.events.WaitForEvents();
  return last_key_code_;
}

}  // namespace veltro::speech
