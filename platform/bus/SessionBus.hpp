// The session bus of a live process: its one D-Bus connection, serviced by the process's main
// loop (no thread of the bus library's own delivers anything), and the Darwin notify center's
// system-wide transport over it.
// Implements: connecting (DBUS_SESSION_BUS_ADDRESS, else the bus library's default), owning
// names, Darwin notifications as one signal per posting carrying the name, received through
// one bus match per observed name.
// Leaves out: the system bus, reconnecting after the bus goes away (the process stops).
#pragma once

#include <sdbus-c++/sdbus-c++.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace session_bus {

// There is no session bus to connect to; what() says why.
class Unavailable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Connects to the session bus and hands the connection to the main loop (which must be in
// real time). Throws Unavailable.
sdbus::IConnection& connect();
// The connection, or null before connect().
sdbus::IConnection* connection();
// True once the bus has gone away under the running loop (the loop is then stopped).
bool lost();

// From now on Darwin notifications travel over the bus: posting emits a signal, and each
// observed name is received through a match on it.
void carryDarwinNotifications();

// The Darwin notifications' signal, for tools that watch the bus.
constexpr const char* kDarwinPath = "/org/velloway/Darwin";
constexpr const char* kDarwinInterface = "org.velloway.Darwin";
constexpr const char* kDarwinSignal = "Notification";

// A match-rule value in single quotes (a quote inside is written '\'').
std::string quotedMatchValue(const std::string& value);

}  // namespace session_bus
