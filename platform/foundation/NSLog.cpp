#include "platform/foundation/NSLog.hpp"

#include <fmt/format.h>
#include <unistd.h>

#include <deque>
#include <mutex>

namespace {

struct LogState {
  std::mutex mutex;
  std::deque<std::string> lines;
  std::function<void(std::string_view)> printer;
  std::string sender;
};

LogState& state() {
  static LogState* s = new LogState;
  return *s;
}

}  // namespace

void NSLog(std::string_view line) {
  std::function<void(std::string_view)> printer;
  {
    std::lock_guard lock(state().mutex);
    state().lines.emplace_back(line);
    // A live process logs for as long as it runs: keep the latest lines only.
    if (state().lines.size() > system_log::kKept) state().lines.pop_front();
    printer = state().printer;
  }
  if (printer) printer(line);
}

namespace system_log {

std::vector<std::string> lines() {
  std::lock_guard lock(state().mutex);
  return {state().lines.begin(), state().lines.end()};
}

void clear() {
  std::lock_guard lock(state().mutex);
  state().lines.clear();
}

void setPrinter(std::function<void(std::string_view)> printer) {
  std::lock_guard lock(state().mutex);
  state().printer = std::move(printer);
}

std::string sender() {
  std::lock_guard lock(state().mutex);
  return state().sender.empty() ? fmt::format("velloway[{}]", ::getpid()) : state().sender;
}

void setSender(std::string name) {
  std::lock_guard lock(state().mutex);
  state().sender = std::move(name);
}

}  // namespace system_log
