// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <csignal>

namespace veltro::platform {

// The quit requests that come as signals: SIGTERM (a session ending, `kill`), SIGINT (Control-C in
// the terminal) and SIGHUP (the terminal closed). While one of these exists, such a signal no
// longer kills the process at once: it is remembered, and the event loop that sees it ends the
// program through the ordinary way out (ProgramEnded, so devices are released and logs flushed)
// with the status a shell expects of a signal, 128 + its number. A second quit signal, when the
// first has not ended the program yet, ends the process at once with 128 + its number.
//
// The handlers belong to the process: they are shared by every QuitSignals that exists at the
// same time, and the previous handlers come back when the last one is destroyed.
class QuitSignals {
 public:
  // A shell reports a program ended by a signal as this + the signal's number.
  static constexpr int kStatusBase = 128;

  QuitSignals();
  ~QuitSignals();
  QuitSignals(const QuitSignals&) = delete;
  QuitSignals& operator=(const QuitSignals&) = delete;

  // A descriptor that becomes readable when a quit signal arrives: for waits that sleep on
  // descriptors (poll), so a signal wakes them.
  int wake_fd() const;
  // The first quit signal that arrived; 0 when none did.
  int Received() const;
  // Throws ProgramEnded(128 + signal) when a quit signal arrived; does nothing otherwise.
  void EndIfReceived() const;
};

}  // namespace veltro::platform
