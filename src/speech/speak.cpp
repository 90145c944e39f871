// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/base/platform_error.h"
#include "platform/base/text.h"
#include "speech/speech_form.h"

namespace veltro::speech {

void FRMTTS::speak(const std::string& t, int16_t SystemType) {
  std::string text = t;
  if (platform::IsBlank(text)) return;
  // "***" marks a text to be spoken as it stands after the marker; what follows is kept as is.
  if (text.starts_with("***")) text.erase(0, 3);
  // A non-zero SystemType marks a text meant for the program's own voice only.
  if (current_tts_type_ == 0 || (SystemType != 0 && current_tts_type_ != 3)) {
    backends_.NotSpoken(text);
    return;
  }
  bool spoken = false;
  if (current_tts_type_ == 1) {
    spoken = platform::TryStep([&] { Reader().SayString(text, false); });
    if (!spoken) FallBackToVoice();
  }
  if (current_tts_type_ == 3) {
    try {
      Slot(1).Speak(text, platform::SVSFlagsAsync);
    } catch (const platform::PlatformError&) {
      backends_.NotSpoken(text);
      throw;
    }
    spoken = true;
  }
  if (!spoken) backends_.NotSpoken(text);
  last_thing_spoken_ = text;
}

void FRMTTS::StopSpeech() {
  if (current_tts_type_ == 1) {
    // A failed channel is replaced by the voice, which has nothing to stop yet but the notice.
    if (!platform::TryStep([&] { Reader().StopSpeech(); })) FallBackToVoice();
  } else if (current_tts_type_ == 3) {
    Slot(1).Speak(std::nullopt, platform::SVSFPurgeBeforeSpeak);
  }
}

void FRMTTS::SpeakNotice(const std::string& text) {
  if (current_tts_type_ == 1 && screen_reader_ &&
      platform::TryStep([&] { screen_reader_->SayString(text, false); })) {
    return;
  }
  if (!platform::TryStep([&] {
        StartBackend(3);
        Slot(1).Speak(text, platform::SVSFlagsAsync);
      })) {
    backends_.NotSpoken(text);
  }
}

void FRMTTS::FallBackToVoice() {
  // The channel heals itself where it can (reconnecting to a restarted service); failing here
  // means it cannot. A player who hears nothing cannot know that Control-1 would help, so the
  // voice takes over and says so; with no voice either, the program goes on silently, and says
  // why where it can be read (the window and the speech log).
  screen_reader_.reset();
  current_tts_type_ = 3;
  if (!platform::TryStep([&] {
        StartBackend(3);
        Slot(1).Speak(std::string(kScreenReaderLost), platform::SVSFlagsAsync);
      })) {
    current_tts_type_ = 0;
    backends_.NotSpoken(kSpeechLost);
  }
}

void FRMTTS::StopSpeaking(int16_t) {
  platform::TryStep([&] { StopSpeech(); });
}

void FRMTTS::StopSpeakingAll() {
  for (int16_t window = 1; window <= 6; ++window) StopSpeaking(window);
}

}  // namespace veltro::speech
