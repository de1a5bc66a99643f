// A private session bus: a dbus-daemon started as our child, for a phone on a machine without
// a session bus, and for tests and benchmarks that must never touch the machine's own.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace session_bus {

struct PrivateBus {
  pid_t pid = -1;
  std::string address;
};

// Starts `dbus-daemon --session --nofork` listening on an abstract socket (no file to leave
// behind), in a process group of its own, tied to the calling thread (it ends when that thread
// or the whole process ends in any way; see TiedChild.hpp), and waits (bounded) for it to print
// its address. Its own warnings go to /dev/null when `quiet`. Nothing on failure, with the
// reason in `error`.
std::optional<PrivateBus> startPrivateBus(std::string& error, bool quiet = false);

// SIGTERM, a bounded wait, then SIGKILL; reaps it.
void stopPrivateBus(PrivateBus& bus);

}  // namespace session_bus
