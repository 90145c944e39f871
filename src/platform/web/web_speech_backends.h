// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/speech/speech_backends.h"
#include "platform/speech/voice_rules.h"

namespace veltro::platform::web {

// The screen reader of the browser edition is the player's own: the page's live region, which
// it reads aloud. A live region cannot silence the screen reader, and emptying it would lose texts
// it has not read yet: a stop does nothing, and neither does a text's wish to interrupt.
class LiveRegionReader : public ScreenReader {
 public:
  void SayString(const std::string& text, bool interrupt) override;
  void StopSpeech() override {}
};

// The browser's own voice (speechSynthesis), in SAPI's terms: it queues what it is given; a purge
// cancels everything at once. The rate is the pace the desktop voice takes at the same setting.
class BrowserVoice : public SapiVoiceBase {
 public:
  // Throws PlatformError when the browser has no speech synthesis.
  BrowserVoice();

 protected:
  void Enqueue(const std::string& text) override;
  void Purge() override;
  // The browser says when an utterance ends only through events the program does not wait for.
  void WaitUntilDone() override {}
  void ApplyRate(int32_t) override {}
  void ApplyVolume(int32_t) override {}
  void ApplyVoice(const InstalledVoice& voice) override { voice_name_ = voice.identifier; }
  std::vector<InstalledVoice> InstalledVoices() override;

 private:
  std::string voice_name_;
};

// A text that no back-end could take (the browser has no voice at all) still goes to the live
// region: the player's screen reader reads it.
class WebSpeechBackends : public SpeechBackends {
 public:
  void NotSpoken(const std::string& text) override;
  std::unique_ptr<ScreenReader> CreateScreenReader() override;
  std::unique_ptr<SapiVoice> CreateSapiVoice() override;
};

}  // namespace veltro::platform::web
