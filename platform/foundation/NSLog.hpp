// Foundation stand-in: the system log.
// Implements: NSLog as one line per call into a process-wide sink that keeps the latest
// kKept lines in order and hands each to an optional printer (the hosts print to stderr).
// Leaves out: log levels, subsystems, persistence, format strings (callers format first).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

void NSLog(std::string_view line);

namespace system_log {

constexpr size_t kKept = 10000;

std::vector<std::string> lines();
void clear();
// Called for every line as it is logged; an empty function stops printing.
void setPrinter(std::function<void(std::string_view)> printer);

// Who this process is in what it prints: "velloway[PID]" unless the process names itself, as a
// live process does ("velloway springboard[PID]"). The lines the platform prints on stderr
// itself start with it, so that two processes sharing a terminal can be told apart.
std::string sender();
void setSender(std::string name);

}  // namespace system_log
