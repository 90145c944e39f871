// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
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

  // Starts it and waits until its socket is there (ten seconds at most).
  bool Start() {
    std::ofstream(folder_ / "speechd.conf") << "LogLevel 5\nAudioOutputMethod \"alsa\"\n"
                                            << "AudioALSADevice \"null\"\n"
                                            << "AddModule \"dummy\" \"sd_dummy\" \"\"\n"
                                            << "DefaultModule dummy\n";
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
  // Whether it queued the text, waiting up to five seconds for it to do so.
  bool Queued(const std::string& text) const {
    for (int i = 0; i < 100; ++i) {
      std::ifstream file(folder_ / "speech-dispatcher.log");
      const std::string log{std::istreambuf_iterator<char>(file), {}};
      if (log.find("Queueing message |" + text + "|") != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

 private:
  std::filesystem::path folder_;
  pid_t pid_ = 0;
};

}  // namespace veltro::testing
