// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/events/quit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/base/platform_error.h"

namespace veltro::platform {
namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler may touch only these: a lock-free flag and a write to a pipe.
std::atomic<int> received{0};
int wake_pipe[2] = {-1, -1};
// The handlers and the pipe are the process's; they stay while any QuitSignals exists.
int watchers = 0;
struct sigaction previous[std::size(kQuitSignals)] = {};

extern "C" void OnQuitSignal(int signal) {
  int expected = 0;
  if (!received.compare_exchange_strong(expected, signal)) {
    // A second request: the first has not ended the program (a call that blocks holds it), so
    // this one ends it at once. The logs are flushed line by line as they are written; nothing
    // more can safely be done in a signal handler.
    _exit(QuitSignals::kStatusBase + signal);
  }
  const int saved_errno = errno;  // the interrupted code may be about to read errno
  const char byte = 1;
  [[maybe_unused]] ssize_t written = write(wake_pipe[1], &byte, 1);
  errno = saved_errno;
}

}  // namespace

QuitSignals::QuitSignals() {
  if (watchers++ > 0) return;
  received = 0;
  if (pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    watchers = 0;
    throw PlatformError(std::string("cannot watch for quit signals: ") + std::strerror(errno));
  }
  struct sigaction action = {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < std::size(kQuitSignals); ++i) {
    sigaction(kQuitSignals[i], &action, &previous[i]);
  }
}

QuitSignals::~QuitSignals() {
  if (--watchers > 0) return;
  for (size_t i = 0; i < std::size(kQuitSignals); ++i) {
    sigaction(kQuitSignals[i], &previous[i], nullptr);
  }
  close(wake_pipe[0]);
  close(wake_pipe[1]);
  wake_pipe[0] = wake_pipe[1] = -1;
}

int QuitSignals::wake_fd() const {
  return wake_pipe[0];
}

int QuitSignals::Received() const {
  return received.load();
}

void QuitSignals::EndIfReceived() const {
  if (int signal = received.load()) throw ProgramEnded(kStatusBase + signal);
}

}  // namespace veltro::platform
