// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "platform/base/log_write_check.h"
#include "platform/events/event_loop.h"
#include "platform/speech/speech_backends.h"

namespace veltro::app {

// Speech back-ends that write down everything said through them, one line per text handed to a
// back-end: the event loop's clock in seconds with three decimals, a blank, and the text
// (EscapeSpeechText). A text that no back-end took is the line "<time> [not spoken] <text>", so
// the log holds everything the program said even when nothing could be heard. A request to stop
// speaking is the line "<time> [stop]". Works around any back-ends, the real ones as well as the
// recording ones of a headless run.
class SpeechLog : public platform::SpeechBackends {
 public:
  SpeechLog(platform::SpeechBackends& inner, platform::EventLoop& events, std::ostream& out);
  ~SpeechLog() override;

  // Called with each text the program said (unescaped), spoken or not, for whoever waits for it.
  std::function<void(const std::string& text)> on_utterance;

  // Writes "<time> [note]": for things a listener of the log should know about (message boxes).
  void Note(const std::string& note) override;

  // SpeechBackends
  std::unique_ptr<platform::ScreenReader> CreateScreenReader() override;
  std::unique_ptr<platform::SapiVoice> CreateSapiVoice() override;
  void NotSpoken(const std::string& text) override;

 private:
  class LoggedScreenReader;
  class LoggedVoice;

  void Said(const std::string& text, const std::string& mark = "");
  void Stopped();
  void WriteLine(const std::string& text);

  platform::SpeechBackends& inner_;
  platform::EventLoop& events_;
  std::ostream& out_;
  platform::LogWriteCheck written_{"the speech log"};
};

}  // namespace veltro::app
