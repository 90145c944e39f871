// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech_log.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/speech/spoken_form.h"

namespace veltro::app {

using platform::EscapeSpeechText;
using platform::EventLoop;
using platform::SapiVoice;
using platform::ScreenReader;
using platform::SpeechBackends;
using platform::SVSFPurgeBeforeSpeak;
using platform::VoiceToken;
using platform::VoiceTokens;

// The wrappers log only what the real back-end accepted: a call that fails was not spoken.
class SpeechLog::LoggedScreenReader : public ScreenReader {
 public:
  LoggedScreenReader(std::unique_ptr<ScreenReader> inner, SpeechLog& log)
      : inner_(std::move(inner)), log_(log) {}

  void SayString(const std::string& text, bool interrupt) override {
    inner_->SayString(text, interrupt);
    log_.Said(text);
  }
  void StopSpeech() override {
    inner_->StopSpeech();
    log_.Stopped();
  }

 private:
  std::unique_ptr<ScreenReader> inner_;
  SpeechLog& log_;
};

class SpeechLog::LoggedVoice : public SapiVoice {
 public:
  LoggedVoice(std::unique_ptr<SapiVoice> inner, SpeechLog& log)
      : inner_(std::move(inner)), log_(log) {}

  void Speak(const std::optional<std::string>& text, int32_t flags) override {
    inner_->Speak(text, flags);
    if ((flags & SVSFPurgeBeforeSpeak) != 0) log_.Stopped();
    if (text) log_.Said(*text);
  }
  int32_t Rate() override { return inner_->Rate(); }
  void SetRate(int32_t rate) override { inner_->SetRate(rate); }
  int32_t Volume() override { return inner_->Volume(); }
  void SetVolume(int32_t volume) override { inner_->SetVolume(volume); }
  std::shared_ptr<VoiceTokens> GetVoices(const std::string& required,
                                         const std::string& optional) override {
    return inner_->GetVoices(required, optional);
  }
  void SetVoice(std::shared_ptr<VoiceToken> voice) override { inner_->SetVoice(std::move(voice)); }
  void SetPriority(int32_t priority) override { inner_->SetPriority(priority); }

 private:
  std::unique_ptr<SapiVoice> inner_;
  SpeechLog& log_;
};

SpeechLog::SpeechLog(SpeechBackends& inner, EventLoop& events, std::ostream& out)
    : inner_(inner), events_(events), out_(out) {}

SpeechLog::~SpeechLog() = default;

std::unique_ptr<ScreenReader> SpeechLog::CreateScreenReader() {
  return std::make_unique<LoggedScreenReader>(inner_.CreateScreenReader(), *this);
}

std::unique_ptr<SapiVoice> SpeechLog::CreateSapiVoice() {
  return std::make_unique<LoggedVoice>(inner_.CreateSapiVoice(), *this);
}

void SpeechLog::Note(const std::string& note) {
  WriteLine("[" + EscapeSpeechText(note) + "]");
  // A note tells of a message box or a trouble: the log is complete up to it.
  out_.flush();
  written_.Check(out_);
}

void SpeechLog::NotSpoken(const std::string& text) {
  inner_.NotSpoken(text);
  Said(text, "[not spoken] ");
}

void SpeechLog::Said(const std::string& text, const std::string& mark) {
  WriteLine(mark + EscapeSpeechText(text));
  if (on_utterance) on_utterance(text);
}

void SpeechLog::Stopped() {
  WriteLine("[stop]");
}

void SpeechLog::WriteLine(const std::string& text) {
  char time[32];
  const int length =
      std::snprintf(time, sizeof time, "%.3f ", static_cast<double>(events_.Clock()));
  // One write per line: a log that someone follows (a terminal, a pipe) flushes after each.
  std::string line(time, static_cast<size_t>(std::max(length, 0)));
  line += text;
  line += '\n';
  out_.write(line.data(), static_cast<std::streamsize>(line.size()));
  written_.Check(out_);
}

}  // namespace veltro::app
