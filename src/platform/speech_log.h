#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "platform/event_loop.h"
#include "platform/speech_backends.h"

namespace veltro::platform {

// A text as one line of a log: carriage return and line feed written as \r and \n.
std::string EscapeSpeechText(const std::string& text);

// Speech back-ends that write down everything said through them, one line per text handed to a
// back-end: the event loop's clock in seconds with three decimals, a blank, and the text
// (EscapeSpeechText). A request to stop speaking is the line "<time> [stop]". Works around any
// back-ends, the real ones as well as the recording ones of a headless run.
class SpeechLog : public SpeechBackends {
 public:
  SpeechLog(SpeechBackends& inner, EventLoop& events, std::ostream& out);
  ~SpeechLog() override;

  // Called with each text that a back-end accepted (unescaped), for whoever waits for speech.
  std::function<void(const std::string& text)> on_utterance;

  // Writes "<time> [note]": for things a listener of the log should know about (message boxes).
  void Note(const std::string& note);

  // SpeechBackends
  std::unique_ptr<ScreenReader> CreateScreenReader() override;
  std::unique_ptr<SapiVoice> CreateSapiVoice() override;

 private:
  class LoggedScreenReader;
  class LoggedVoice;

  void Said(const std::string& text);
  void Stopped();
  void WriteLine(const std::string& text);

  SpeechBackends& inner_;
  EventLoop& events_;
  std::ostream& out_;
};

}  // namespace veltro::platform
