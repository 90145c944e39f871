#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/speech_backends.h"

namespace veltro::platform::desktop {

struct SpeechdOptions {
  // The speech-dispatcher socket to use; empty for the user's own (or SPEECHD_ADDRESS).
  std::string unix_socket;
  // Start speech-dispatcher when none answers, as desktop programs normally do.
  bool autospawn = true;
  // Longest wait for the connection (including a start of the service) and for any answer.
  std::chrono::milliseconds connect_timeout{5000};
  std::chrono::milliseconds reply_timeout{2000};
};

// The screen reader's speech channel: a connection to speech-dispatcher, the service Linux screen
// readers speak through. Creating it fails when no speech-dispatcher answers in time; a
// connection that breaks later makes every call fail, and a new object connects afresh.
class SpeechdScreenReader : public ScreenReader {
 public:
  explicit SpeechdScreenReader(const SpeechdOptions& options = {});
  ~SpeechdScreenReader() override;
  SpeechdScreenReader(const SpeechdScreenReader&) = delete;
  SpeechdScreenReader& operator=(const SpeechdScreenReader&) = delete;

  void SayString(const std::string& text, bool interrupt) override;
  void StopSpeech() override;

 private:
  struct Connection;
  void Cancel();
  void Fail(const std::string& what);

  std::shared_ptr<Connection> connection_;
  bool broken_ = false;
};

// The text with every byte that is not part of valid UTF-8 replaced by "?": speech-dispatcher
// refuses a whole message over one bad byte.
std::string ValidUtf8(const std::string& text);

}  // namespace veltro::platform::desktop
