// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string>

namespace veltro::platform::desktop {

// What answers at a speech-dispatcher address.
enum class SsipPeer {
  kNone,      // nothing to connect to: the service may still be started there
  kSpeaker,   // a peer that answers in the service's protocol (SSIP)
  kStranger,  // a peer that does not answer, or answers something else
};

// Asks whatever listens at the address (a Unix socket path, or host and port) to end a session,
// and reads its first answer line, waiting at most `timeout`. libspeechd ends the whole program
// (exit) when a reply is not in its protocol, so no connection goes to it before this says the
// peer speaks it. `why` tells what was wrong with a stranger.
SsipPeer ProbeUnixSocket(const std::string& path, std::chrono::milliseconds timeout,
                         std::string& why);
SsipPeer ProbeInetSocket(const std::string& host, int port, std::chrono::milliseconds timeout,
                         std::string& why);

}  // namespace veltro::platform::desktop
