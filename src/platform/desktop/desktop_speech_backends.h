// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "platform/desktop/espeak_voice.h"
#include "platform/desktop/speechd_screen_reader.h"
#include "platform/speech/speech_backends.h"

namespace veltro::platform::desktop {

struct DesktopSpeechOptions {
  SpeechdOptions screen_reader;
  EspeakOptions voice;
};

// The desktop's speech: the screen reader's channel on speech-dispatcher (started on demand as a
// desktop session does) and the program's own voice on embedded espeak-ng.
class DesktopSpeechBackends : public SpeechBackends {
 public:
  DesktopSpeechBackends() = default;
  explicit DesktopSpeechBackends(DesktopSpeechOptions options) : options_(std::move(options)) {}

  std::unique_ptr<ScreenReader> CreateScreenReader() override;
  std::unique_ptr<SapiVoice> CreateSapiVoice() override;

 private:
  DesktopSpeechOptions options_;
};

}  // namespace veltro::platform::desktop
