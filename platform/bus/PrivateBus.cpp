#include "platform/bus/PrivateBus.hpp"

#include <fcntl.h>
#include <fmt/format.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <thread>

#include "platform/bus/TiedChild.hpp"

namespace session_bus {

namespace {

// An abstract socket (Linux): it has no file, so a daemon that is killed leaves nothing behind
// in /tmp. The daemon lets in only this user, as any session bus does.
std::string abstractAddress() {
  std::random_device random;
  return fmt::format("unix:abstract=velloway-bus-{}-{:08x}{:08x}", ::getpid(), random(), random());
}

}  // namespace

std::optional<PrivateBus> startPrivateBus(std::string& error, bool quiet) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  PrivateBus bus;
  std::string failure;
  bus.pid = startTiedChild({"dbus-daemon", "--session", "--nofork", "--print-address=1", "--address=" + abstractAddress()},
                           ChildOptions{fds[1], quiet, true}, failure);
  close(fds[1]);
  if (bus.pid < 0) {
    close(fds[0]);
    error = failure + " (Debian's dbus-daemon package)";
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
