#include "speech/say.h"

namespace veltro::speech {

SpeechFormHolder::SpeechFormHolder(const platform::UserInterface& ui,
                                   platform::SpeechBackends& backends, SpeechPauses& pauses)
    : ui_(ui), backends_(backends), pauses_(pauses) {}

FRMTTS& SpeechFormHolder::Form() {
  if (!form_) form_ = std::make_unique<FRMTTS>(ui_, backends_, pauses_);
  return *form_;
}

void Say(SpeechFormHolder& module, const std::string& text) {
  module.Form().speak(text, 0);
}

}  // namespace veltro::speech
