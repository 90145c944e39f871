#pragma once

#include <memory>
#include <string>

#include "platform/speech_backends.h"
#include "platform/user_interface.h"
#include "speech/frm_tts.h"
#include "speech/ports.h"

namespace veltro::speech {

// The program's one speech form, made when it is first needed and kept to the end of the run.
class SpeechFormHolder {
 public:
  SpeechFormHolder(const platform::UserInterface& ui, platform::SpeechBackends& backends,
                   SpeechPauses& pauses);
  FRMTTS& Form();
  bool Created() const { return form_ != nullptr; }

 private:
  platform::UserInterface ui_;
  platform::SpeechBackends& backends_;
  SpeechPauses& pauses_;
  std::unique_ptr<FRMTTS> form_;
};

// Speaks a text through the speech form, making the form first if need be.
void Say(SpeechFormHolder& module, const std::string& text);

}  // namespace veltro::speech
