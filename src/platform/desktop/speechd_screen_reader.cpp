#include "platform/desktop/speechd_screen_reader.h"

#include <libspeechd.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/platform_error.h"

namespace veltro::platform::desktop {

namespace {

// Writing to a connection the service has closed raises SIGPIPE, which would end the program.
// Block it on this thread for one call and swallow one that the call raised.
class SigpipeBlocked {
 public:
  SigpipeBlocked() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    was_pending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe_, &previous_);
  }
  ~SigpipeBlocked() {
    sigset_t pending;
    sigpending(&pending);
    if (!was_pending_ && sigismember(&pending, SIGPIPE) == 1) {
      const timespec no_wait{0, 0};
      while (sigtimedwait(&pipe_, nullptr, &no_wait) == -1 && errno == EINTR) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  SigpipeBlocked(const SigpipeBlocked&) = delete;
  SigpipeBlocked& operator=(const SigpipeBlocked&) = delete;

 private:
  sigset_t pipe_, previous_;
  bool was_pending_ = false;
};

void SetSocketTimeout(int socket, std::chrono::milliseconds timeout) {
  timeval tv{};
  tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
  tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
  setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

}  // namespace

// The connection, shared with the thread that opens it: if opening takes too long the caller
// goes on without it, and the thread closes it whenever the open finally returns.
struct SpeechdScreenReader::Connection {
  std::mutex mutex;
  std::condition_variable opened;
  bool done = false;
  bool abandoned = false;
  SPDConnection* spd = nullptr;
  std::string error;

  ~Connection() {
    if (spd != nullptr) {
      SigpipeBlocked quiet;
      spd_close(spd);
    }
  }
};

SpeechdScreenReader::SpeechdScreenReader(const SpeechdOptions& options)
    : connection_(std::make_shared<Connection>()) {
  std::thread opener([connection = connection_, options] {
    SigpipeBlocked quiet;
    SPDConnectionAddress address{};
    std::string socket_path = options.unix_socket;
    const SPDConnectionAddress* where = nullptr;
    if (!socket_path.empty()) {
      address.method = SPD_METHOD_UNIX_SOCKET;
      address.unix_socket_name = socket_path.data();
      where = &address;
    }
    char* error = nullptr;
    SPDConnection* spd = spd_open2("veltro-lander", "speech", nullptr, SPD_MODE_SINGLE, where,
                                   options.autospawn ? 1 : 0, &error);
    std::lock_guard lock(connection->mutex);
    if (error != nullptr) {
      connection->error = error;
      std::free(error);
    }
    if (spd != nullptr && connection->abandoned) {
      spd_close(spd);
      spd = nullptr;
    }
    connection->spd = spd;
    connection->done = true;
    connection->opened.notify_all();
  });

  std::unique_lock lock(connection_->mutex);
  const bool answered = connection_->opened.wait_for(lock, options.connect_timeout,
                                                     [this] { return connection_->done; });
  if (!answered) {
    connection_->abandoned = true;
    lock.unlock();
    opener.detach();
    throw PlatformError("speech-dispatcher did not answer within " +
                        std::to_string(options.connect_timeout.count()) + " ms");
  }
  lock.unlock();
  opener.join();
  if (connection_->spd == nullptr) {
    throw PlatformError("cannot connect to speech-dispatcher" +
                        (connection_->error.empty() ? "" : ": " + connection_->error));
  }
  // A service that stops answering must not hold the program up.
  SetSocketTimeout(connection_->spd->socket, options.reply_timeout);
}

SpeechdScreenReader::~SpeechdScreenReader() = default;

void SpeechdScreenReader::Fail(const std::string& what) {
  // After a failed exchange the replies may be out of step: never use this connection again.
  broken_ = true;
  throw PlatformError("speech-dispatcher: " + what);
}

void SpeechdScreenReader::SayString(const std::string& text, bool interrupt) {
  if (broken_) throw PlatformError("speech-dispatcher: the connection was lost");
  if (interrupt) Cancel();
  if (text.empty()) return;
  SigpipeBlocked quiet;
  // Messages queue behind our own earlier ones and are not cut off by other programs' ordinary
  // text; after our own cancel the next one starts at once.
  if (spd_say(connection_->spd, SPD_MESSAGE, ValidUtf8(text).c_str()) < 0) {
    Fail("the text was not accepted");
  }
}

void SpeechdScreenReader::StopSpeech() {
  if (broken_) throw PlatformError("speech-dispatcher: the connection was lost");
  Cancel();
}

void SpeechdScreenReader::Cancel() {
  SigpipeBlocked quiet;
  if (spd_cancel(connection_->spd) < 0) Fail("cannot stop the speech");
}

std::string ValidUtf8(const std::string& text) {
  std::string valid;
  valid.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80           ? 1
                    : (lead >> 5) == 0x6  ? 2
                    : (lead >> 4) == 0xE  ? 3
                    : (lead >> 3) == 0x1E ? 4
                                          : 0;
    bool ok = length > 0 && i + length <= text.size() && (length != 2 || lead >= 0xC2);
    for (size_t k = 1; ok && k < length; ++k) {
      ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    }
    if (ok && length >= 3) {
      const auto second = static_cast<unsigned char>(text[i + 1]);
      // No overlong forms, no surrogates, nothing past U+10FFFF.
      if (lead == 0xE0 && second < 0xA0) ok = false;
      if (lead == 0xED && second >= 0xA0) ok = false;
      if (lead == 0xF0 && second < 0x90) ok = false;
      if (lead > 0xF4 || (lead == 0xF4 && second >= 0x90)) ok = false;
    }
    if (ok) {
      valid.append(text, i, length);
      i += length;
    } else {
      valid += '?';
      ++i;
    }
  }
  return valid;
}

}  // namespace veltro::platform::desktop
