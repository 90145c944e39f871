// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "platform/speech/speech_backends.h"

namespace veltro::platform::desktop {

struct SpeechdOptions {
  // The speech-dispatcher socket to use; empty for the user's own (or SPEECHD_ADDRESS).
  std::string unix_socket;
  // Start speech-dispatcher when none answers, as desktop programs normally do.
  bool autospawn = true;
  // Longest wait for the connection (including a start of the service) and for any answer.
  std::chrono::milliseconds connect_timeout{5000};
  // How long the caller waits for the connection before it goes on; texts wait for it meanwhile.
  std::chrono::milliseconds caller_wait{150};
  std::chrono::milliseconds reply_timeout{2000};
  // Longest a text or a stop may wait for the service to take it before the channel counts as
  // failed, and how many may wait at once.
  std::chrono::milliseconds take_timeout{1000};
  size_t queue_limit = 64;
};

// The screen reader's speech channel: a connection to speech-dispatcher, the service Linux screen
// readers speak through. The connection, texts and stops go to the service from a thread of the
// channel's own, so a service that hangs never holds the program up: the calls only queue.
// Creating the channel fails when the service is found missing within `caller_wait`; one still
// connecting then takes texts, and fails the channel when it is not made within
// `connect_timeout`. When the service fails or drops the connection, the thread connects once
// more (the service may be restarting) and carries on; when that fails too, or the service leaves
// a request untaken for too long, the channel has failed and every later call throws
// PlatformError. A peer at the address that does not speak the service's protocol is a failure
// like any other. A new object connects afresh; the object's end cancels what it still has queued
// at the service.
class SpeechdScreenReader : public ScreenReader {
 public:
  explicit SpeechdScreenReader(const SpeechdOptions& options = {});
  ~SpeechdScreenReader() override;
  SpeechdScreenReader(const SpeechdScreenReader&) = delete;
  SpeechdScreenReader& operator=(const SpeechdScreenReader&) = delete;

  void SayString(const std::string& text, bool interrupt) override;
  void StopSpeech() override;

 private:
  struct Channel;
  // Queues a stop (which drops the texts still waiting) and then the text, either one optional.
  void Queue(const std::string* text, bool stop_first);

  std::shared_ptr<Channel> channel_;
};

// The text with every byte that is not part of valid UTF-8 replaced by "?": speech-dispatcher
// refuses a whole message over one bad byte.
std::string ValidUtf8(const std::string& text);

}  // namespace veltro::platform::desktop
