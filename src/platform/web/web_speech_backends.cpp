// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/web/web_speech_backends.h"

#include "platform/base/platform_error.h"
#include "platform/speech/spoken_form.h"
#include "platform/web/page_bridge.h"

namespace veltro::platform::web {

void LiveRegionReader::SayString(const std::string& text, bool /*interrupt*/) {
  page::Say(SpokenForm(text));
}

BrowserVoice::BrowserVoice() {
  if (!page::VoiceAvailable()) throw PlatformError("this browser has no speech synthesis");
}

void BrowserVoice::Enqueue(const std::string& text) {
  page::VoiceSpeak(text, SapiRatePace(Rate()), Volume() / double{kHighestVolume}, voice_name_);
}

void BrowserVoice::Purge() {
  page::VoicePurge();
}

std::vector<SapiVoiceBase::InstalledVoice> BrowserVoice::InstalledVoices() {
  std::vector<InstalledVoice> voices;
  for (const std::string& name : page::VoiceNames()) voices.push_back({name, name});
  return voices;
}

void WebSpeechBackends::NotSpoken(const std::string& text) {
  page::SayUnspoken(SpokenForm(text));
}

std::unique_ptr<ScreenReader> WebSpeechBackends::CreateScreenReader() {
  return std::make_unique<LiveRegionReader>();
}

std::unique_ptr<SapiVoice> WebSpeechBackends::CreateSapiVoice() {
  return std::make_unique<BrowserVoice>();
}

}  // namespace veltro::platform::web
