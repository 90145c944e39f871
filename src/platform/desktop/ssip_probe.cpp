// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/ssip_probe.h"

#include <netdb.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "platform/base/scope_guard.h"

namespace veltro::platform::desktop {
namespace {

// A reply line is three digits from 100 up, then a blank or "-" (more lines follow).
bool IsReplyLine(const std::string& line) {
  if (line.size() < 4) return false;
  for (int i = 0; i < 3; ++i) {
    if (line[i] < '0' || line[i] > '9') return false;
  }
  return line[0] != '0' && (line[3] == ' ' || line[3] == '-');
}

// A socket whose connect, sends and receives give up after `timeout`; -1 when none can be made.
int OpenSocket(int family, std::chrono::milliseconds timeout) {
  const int s = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return s;
  timeval tv{};
  tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
  tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  return s;
}

// On a connected socket: QUIT, and the first line of the answer.
SsipPeer Converse(int socket, std::string& why) {
  constexpr char kQuit[] = "QUIT\r\n";
  if (send(socket, kQuit, sizeof kQuit - 1, MSG_NOSIGNAL) != sizeof kQuit - 1) {
    why = "the peer at the speech-dispatcher address takes no request";
    return SsipPeer::kStranger;
  }
  constexpr size_t kLongestLine = 512;
  std::string line;
  char c = 0;
  while (line.size() < kLongestLine && !line.ends_with("\r\n") && recv(socket, &c, 1, 0) == 1) {
    line += c;
  }
  if (!line.ends_with("\r\n") || !IsReplyLine(line)) {
    why = line.empty() ? "the peer at the speech-dispatcher address did not answer"
                       : "the peer at the speech-dispatcher address does not speak its protocol";
    return SsipPeer::kStranger;
  }
  return SsipPeer::kSpeaker;
}

}  // namespace

SsipPeer ProbeUnixSocket(const std::string& path, std::chrono::milliseconds timeout,
                         std::string& why) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    why = "the speech-dispatcher socket path is too long";
    return SsipPeer::kStranger;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int s = OpenSocket(AF_UNIX, timeout);
  if (s < 0) return SsipPeer::kNone;
  ScopeGuard closed([s] { close(s); });
  if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    return SsipPeer::kNone;
  }
  return Converse(s, why);
}

SsipPeer ProbeInetSocket(const std::string& host, int port, std::chrono::milliseconds timeout,
                         std::string& why) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
    return SsipPeer::kNone;
  }
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);
  const int s = OpenSocket(AF_INET, timeout);
  if (s < 0) return SsipPeer::kNone;
  ScopeGuard closed([s] { close(s); });
  if (connect(s, found->ai_addr, found->ai_addrlen) != 0) return SsipPeer::kNone;
  return Converse(s, why);
}

}  // namespace veltro::platform::desktop
