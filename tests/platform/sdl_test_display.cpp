#include "sdl_test_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace veltro::testing {

void IsolateFromDesktopBuses() {
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/veltro-test-bus", 1);
  setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/veltro-test-bus", 1);
}

TestDisplay::TestDisplay() {
  IsolateFromDesktopBuses();
  int fds[2];
  if (pipe(fds) != 0) return;
  // -displayfd: the server chooses a free display number and writes it to the pipe when ready.
  std::string fd_text = std::to_string(fds[1]);
  std::vector<std::string> args = {"Xvfb",       "-displayfd", fd_text, "-screen", "0",
                                   "640x480x24", "-nolisten",  "tcp",   "-noreset"};
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  int spawned = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (spawned != 0) {
    close(fds[0]);
    return;
  }
  std::string number;
  pollfd wait_for{fds[0], POLLIN, 0};
  char c = 0;
  while (poll(&wait_for, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (number.empty()) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return;
  }
  pid_ = pid;
  name_ = ":" + number;
  if (const char* display = std::getenv("DISPLAY")) {
    had_display_ = true;
    previous_display_ = display;
  }
  setenv("DISPLAY", name_.c_str(), 1);
}

TestDisplay::~TestDisplay() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  if (had_display_) {
    setenv("DISPLAY", previous_display_.c_str(), 1);
  } else {
    unsetenv("DISPLAY");
  }
}

int RunOnDisplay(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace veltro::testing
