#include "platform/foundation/NSLog.hpp"

#include <fmt/format.h>
#include <unistd.h>

#include <deque>
#include <mutex>

#include "platform/process/ProcessState.hpp"

namespace {

struct LogState {
  std::mutex mutex;
  std::deque<std::string> lines;
  std::function<void(std::string_view)> printer;
  std::string sender;

  // No line kept, none printed, the default sender.
  void reset() {
    std::lock_guard lock(mutex);
    lines.clear();
    printer = nullptr;
    sender.clear();
  }
};

LogState& state() {
  static LogState* s = process_state::make<LogState>("system log");
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
