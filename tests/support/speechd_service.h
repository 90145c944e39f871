// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/desktop/speechd_screen_reader.h"

extern char** environ;

namespace veltro::testing {

// A speech-dispatcher of the test's own in a private folder: its own socket and configuration,
// the dummy output module and ALSA's null device, so it needs neither a sound card nor the user's
// session. It logs every text it queues, which Log() returns.
class SpeechdService {
 public:
  explicit SpeechdService(const std::string& name)
      : folder_(std::filesystem::temp_directory_path() /
                ("veltro-" + name + "-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(folder_);
  }
  ~SpeechdService() {
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  SpeechdService(const SpeechdService&) = delete;
  SpeechdService& operator=(const SpeechdService&) = delete;

  platform::desktop::SpeechdOptions Options() const {
    platform::desktop::SpeechdOptions options;
    options.unix_socket = (folder_ / "speechd.sock").string();
    options.autospawn = false;
    return options;
  }

  // Starts it and waits until its socket is there (ten seconds at most). Its voice writes down
  // each text it is given to say (Heard), taking 0.3 s to say it.
  bool Start() {
    std::filesystem::create_directories(folder_ / "modules");
    std::ofstream(folder_ / "speechd.conf")
        << "LogLevel 5\nAudioOutputMethod \"alsa\"\nAudioALSADevice \"null\"\n"
        << "AddModule \"voice\" \"sd_generic\" \"voice.conf\"\nDefaultModule voice\n";
    std::ofstream(folder_ / "modules/voice.conf")
        << "GenericExecuteSynth \"echo \\'$DATA\\' >> " << (folder_ / "heard").string()
        << " && sleep 0.3\"\nGenericLanguage \"en\" \"en\" \"utf-8\"\n"
        << "AddVoice \"en\" \"MALE1\" \"en\"\nDefaultVoice \"en\"\n";
    const std::string dir = folder_.string(), sock = Options().unix_socket;
    std::vector<std::string> args = {
        "setsid", "speech-dispatcher", "-s", "-C", dir, "-L", dir, "-c", "unix_socket", "-S", sock,
        "-P",     dir + "/pid",        "-t", "60"};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    // setsid gives it a process group of its own, so that its output modules end with it. Its
    // chatter goes to a file.
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    for (int fd : {1, 2}) {
      posix_spawn_file_actions_addopen(&files, fd, (dir + "/output").c_str(),
                                       O_WRONLY | O_CREAT | O_APPEND, 0600);
    }
    if (posix_spawnp(&pid_, "setsid", &files, nullptr, argv.data(), environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&files);
    for (int i = 0; i < 200 && pid_ != 0 && !std::filesystem::exists(sock); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return pid_ != 0 && std::filesystem::exists(sock);
  }
  void Stop() {
    if (pid_ == 0) return;
    kill(-pid_, SIGCONT);
    kill(-pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    kill(-pid_, SIGKILL);  // whatever of the group is still there
    pid_ = 0;
    std::error_code ignored;
    std::filesystem::remove(Options().unix_socket, ignored);
  }
  // SIGSTOP or SIGCONT: a service that hangs, and one that comes back.
  void Signal(int signal) const {
    if (pid_ != 0) kill(-pid_, signal);
  }
  // Whether its voice was given a text holding `part`, waiting up to `seconds` for it.
  bool Heard(const std::string& part, double seconds = 5) const {
    return Finds("heard", part, seconds);
  }
  // Whether it queued the text, waiting up to five seconds for it to do so.
  bool Queued(const std::string& text) const {
    return Finds("speech-dispatcher.log", "Queueing message |" + text + "|", 5);
  }

 private:
  bool Finds(const char* file_name, const std::string& part, double seconds) const {
    for (int i = 0; i < seconds * 20; ++i) {
      std::ifstream file(folder_ / file_name);
      if (std::string{std::istreambuf_iterator<char>(file), {}}.find(part) != std::string::npos) {
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  std::filesystem::path folder_;
  pid_t pid_ = 0;
};

// Something else listening at a speech-dispatcher address, in a process of its own: it answers
// every request with a line that is not in the service's protocol.
class GarbagePeer {
 public:
  explicit GarbagePeer(const std::string& path) : path_(path) {
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{AF_UNIX, {}};
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    listen(listener, 8);
    if ((pid_ = fork()) == 0) {
      char request[256];
      for (int client; (client = accept(listener, nullptr, nullptr)) >= 0; close(client)) {
        if (recv(client, request, sizeof request, 0) > 0) send(client, "HTTP 400\r\n", 10, 0);
      }
      _exit(0);
    }
    close(listener);
  }
  ~GarbagePeer() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    unlink(path_.c_str());
  }

 private:
  std::string path_;
  pid_t pid_;
};

}  // namespace veltro::testing
