#include "platform/platform_error.h"
#include "platform/text.h"
#include "speech/frm_tts.h"

namespace veltro::speech {

void FRMTTS::speak(const std::string& t, int16_t SystemType) {
  std::string text = t;
  if (platform::IsBlank(text)) return;
  // "***" marks a text to be spoken as it stands after the marker; what follows is kept as is.
  if (text.starts_with("***")) text.erase(0, 3);
  if (current_tts_type_ == 0) return;
  // A non-zero SystemType marks a text meant for the program's own voice only.
  if (SystemType != 0 && current_tts_type_ != 3) return;
  if (current_tts_type_ == 1) {
    Reader().SayString(text, false);
  } else if (current_tts_type_ == 3) {
    Slot(1).Speak(text, platform::SVSFlagsAsync);
  }
  last_thing_spoken_ = text;
}

void FRMTTS::StopSpeech() {
  if (current_tts_type_ == 1) {
    Reader().StopSpeech();
  } else if (current_tts_type_ == 3) {
    Slot(1).Speak(std::nullopt, platform::SVSFPurgeBeforeSpeak);
  }
}

void FRMTTS::StopSpeaking(int16_t) {
  platform::TryStep([&] { StopSpeech(); });
}

void FRMTTS::StopSpeakingAll() {
  for (int16_t window = 1; window <= 6; ++window) StopSpeaking(window);
}

}  // namespace veltro::speech
