// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/desktop_speech_backends.h"

namespace veltro::platform::desktop {

std::unique_ptr<ScreenReader> DesktopSpeechBackends::CreateScreenReader() {
  return std::make_unique<SpeechdScreenReader>(options_.screen_reader);
}

std::unique_ptr<SapiVoice> DesktopSpeechBackends::CreateSapiVoice() {
  return std::make_unique<EspeakVoice>(options_.voice);
}

}  // namespace veltro::platform::desktop
