#include "platform/bus/PrivateBus.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <thread>

extern char** environ;

namespace session_bus {

std::optional<PrivateBus> startPrivateBus(std::string& error, bool quiet) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  if (quiet) posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);
  const char* argv[] = {"dbus-daemon", "--session", "--nofork", "--print-address=1", nullptr};
  PrivateBus bus;
  int failed = posix_spawnp(&bus.pid, "dbus-daemon", &actions, &attr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  close(fds[1]);
  if (failed != 0) {
    close(fds[0]);
    error = std::string("cannot start dbus-daemon (Debian's dbus-daemon package): ") + std::strerror(failed);
    return std::nullopt;
  }
  // One line, once the bus listens.
  pollfd p{fds[0], POLLIN, 0};
  char c;
  while (bus.address.size() < 4096 && ::poll(&p, 1, 10000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') bus.address += c;
  close(fds[0]);
  if (bus.address.rfind("unix:", 0) != 0) {
    error = "dbus-daemon did not say its address";
    stopPrivateBus(bus);
    return std::nullopt;
  }
  return bus;
}

void stopPrivateBus(PrivateBus& bus) {
  if (bus.pid <= 0) return;
  ::kill(bus.pid, SIGTERM);
  for (int i = 0; i < 500; ++i) {
    pid_t reaped = waitpid(bus.pid, nullptr, WNOHANG);
    if (reaped == bus.pid || (reaped < 0 && errno == ECHILD)) {
      bus.pid = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(bus.pid, SIGKILL);
  waitpid(bus.pid, nullptr, 0);
  bus.pid = -1;
}

}  // namespace session_bus
