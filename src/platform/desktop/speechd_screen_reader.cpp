// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/speechd_screen_reader.h"

#include <libspeechd.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/base/platform_error.h"
#include "platform/desktop/ssip_probe.h"
#include "platform/speech/spoken_form.h"

namespace veltro::platform::desktop {

namespace {

// The longest the program's end waits for its speech to be cancelled at the service.
constexpr std::chrono::milliseconds kCancelWait{200};

void SetSocketTimeout(int socket, std::chrono::milliseconds timeout) {
  timeval tv{};
  tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
  tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
  setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

}  // namespace

// What the program's thread and the channel's thread share. The channel's thread owns the
// connection; it outlives the object when the service holds a call up, and closes the connection
// whenever that call returns.
struct SpeechdScreenReader::Channel {
  using Clock = std::chrono::steady_clock;
  struct Request {
    bool stop = false;
    std::string text;
  };

  explicit Channel(SpeechdOptions options) : options(std::move(options)), created(Clock::now()) {}
  ~Channel() { Close(); }

  // On the channel's thread: connect, then serve the requests until the object goes away.
  void Serve() {
    BlockSigpipe();
    Connect();
    std::unique_lock lock(mutex);
    connected = true;
    if (spd == nullptr) failed = true;
    changed.notify_all();
    while (spd != nullptr) {
      changed.wait(lock, [this] { return closing || (!failed && !queue.empty()); });
      if (closing && !failed) {
        // The program's own speech ends with it: what the service still has queued is dropped.
        lock.unlock();
        spd_cancel(spd);
        lock.lock();
      }
      if (closing) break;
      Request request = std::move(queue.front());
      queue.pop_front();
      busy_since = Clock::now();
      busy = true;
      lock.unlock();
      // A failed exchange leaves the replies out of step: connect again and repeat it once.
      bool done = Send(request) || (Reconnect() && Send(request));
      lock.lock();
      busy = false;
      if (!done) Fail("speech-dispatcher: the connection was lost and could not be made again");
    }
    lock.unlock();
    Close();
    lock.lock();
    closed = true;
    changed.notify_all();
  }

  // The program's thread: throws when the channel has failed, or fails it when the service has
  // left a request untaken too long. Called with the mutex held.
  void Check() {
    if (!failed && !connected && Clock::now() - created > options.connect_timeout) {
      Fail("speech-dispatcher did not answer within " +
           std::to_string(options.connect_timeout.count()) + " ms");
    }
    if (!failed && busy && Clock::now() - busy_since > options.take_timeout) {
      Fail("speech-dispatcher did not take a text within " +
           std::to_string(options.take_timeout.count()) + " ms");
    }
    if (failed) throw PlatformError(failure);
  }

  void Fail(std::string why) {
    if (failed) return;
    failed = true;
    failure = std::move(why);
    queue.clear();
  }

  std::mutex mutex;
  std::condition_variable changed;
  const SpeechdOptions options;
  std::deque<Request> queue;
  bool connected = false, busy = false, failed = false, closing = false, closed = false;
  const Clock::time_point created;
  Clock::time_point busy_since;
  std::string failure;
  SPDConnection* spd = nullptr;  // the channel's thread's own

 private:
  // Writing to a connection the service has closed raises SIGPIPE, which would end the program;
  // on this thread it stays blocked, and the write fails instead.
  static void BlockSigpipe() {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
  }

  // Whether the peer at the address speaks the service's protocol, or nothing is there yet (it
  // may be started); false, with the failure set, for a stranger.
  bool PeerSpeaksSsip() {
    std::string why;
    SsipPeer peer = SsipPeer::kNone;
    if (!options.unix_socket.empty()) {
      peer = ProbeUnixSocket(options.unix_socket, options.reply_timeout, why);
    } else {
      char* error = nullptr;
      SPDConnectionAddress* address = spd_get_default_address(&error);
      std::free(error);
      if (address != nullptr && address->method == SPD_METHOD_UNIX_SOCKET) {
        peer = ProbeUnixSocket(address->unix_socket_name, options.reply_timeout, why);
      } else if (address != nullptr && address->method == SPD_METHOD_INET_SOCKET) {
        peer = ProbeInetSocket(address->inet_socket_host, address->inet_socket_port,
                               options.reply_timeout, why);
      }
      SPDConnectionAddress__free(address);
    }
    if (peer != SsipPeer::kStranger) return true;
    std::lock_guard lock(mutex);
    failure = "cannot use speech-dispatcher: " + why;
    return false;
  }

  void Connect() {
    if (!PeerSpeaksSsip()) return;
    SPDConnectionAddress address{};
    std::string socket_path = options.unix_socket;
    const SPDConnectionAddress* where = nullptr;
    if (!socket_path.empty()) {
      address.method = SPD_METHOD_UNIX_SOCKET;
      address.unix_socket_name = socket_path.data();
      where = &address;
    }
    char* error = nullptr;
    spd = spd_open2("veltro-lander", "speech", nullptr, SPD_MODE_SINGLE, where,
                    options.autospawn ? 1 : 0, &error);
    if (spd == nullptr) {
      std::lock_guard lock(mutex);
      failure = "cannot connect to speech-dispatcher" +
                (error == nullptr ? std::string() : std::string(": ") + error);
    } else {
      // A service that stops answering must not hold the channel's thread for ever either.
      SetSocketTimeout(spd->socket, options.reply_timeout);
    }
    std::free(error);
  }

  bool Reconnect() {
    Close();
    Connect();
    return spd != nullptr;
  }

  bool Send(const Request& request) {
    if (spd == nullptr) return false;
    // Our own cancel cuts off only our own speech; messages queue behind our earlier ones and
    // are not cut off by other programs' ordinary text.
    if (request.stop) return spd_cancel(spd) >= 0;
    return spd_say(spd, SPD_MESSAGE, ValidUtf8(SpokenForm(request.text)).c_str()) >= 0;
  }

  void Close() {
    if (spd != nullptr) spd_close(spd);
    spd = nullptr;
  }
};

SpeechdScreenReader::SpeechdScreenReader(const SpeechdOptions& options)
    : channel_(std::make_shared<Channel>(options)) {
  std::thread serve([channel = channel_] { channel->Serve(); });
  std::unique_lock lock(channel_->mutex);
  // A service that is missing is found out at once; one that is slow to answer (starting, or
  // hung) is waited for by the texts, not by the caller.
  channel_->changed.wait_for(lock, options.caller_wait, [this] { return channel_->connected; });
  if (channel_->connected && channel_->failed) {
    lock.unlock();
    serve.join();
    throw PlatformError(channel_->failure);
  }
  serve.detach();
}

SpeechdScreenReader::~SpeechdScreenReader() {
  std::unique_lock lock(channel_->mutex);
  channel_->closing = true;
  channel_->queue.clear();
  channel_->changed.notify_all();
  // The cancel of the program's speech takes the service a moment; a service that is not
  // connected or is held up is not waited for.
  if (channel_->connected && !channel_->failed && !channel_->busy) {
    channel_->changed.wait_for(lock, kCancelWait, [this] { return channel_->closed; });
  }
}

void SpeechdScreenReader::SayString(const std::string& text, bool interrupt) {
  Queue(text.empty() ? nullptr : &text, interrupt);
}

void SpeechdScreenReader::StopSpeech() {
  Queue(nullptr, true);
}

void SpeechdScreenReader::Queue(const std::string* text, bool stop_first) {
  std::lock_guard lock(channel_->mutex);
  channel_->Check();
  if (stop_first) {
    // What still waits would be cut off at once: it need not go to the service at all.
    channel_->queue.clear();
    channel_->queue.push_back({true, {}});
  }
  if (text != nullptr) {
    if (channel_->queue.size() >= channel_->options.queue_limit) {
      channel_->Fail("speech-dispatcher fell " + std::to_string(channel_->queue.size()) +
                     " texts behind");
      channel_->Check();
    }
    channel_->queue.push_back({false, *text});
  }
  channel_->changed.notify_all();
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
