#include "platform/foundation/NSLog.hpp"

#include <mutex>

namespace {

struct LogState {
  std::mutex mutex;
  std::vector<std::string> lines;
  std::function<void(std::string_view)> printer;
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
    printer = state().printer;
  }
  if (printer) printer(line);
}

namespace system_log {

std::vector<std::string> lines() {
  std::lock_guard lock(state().mutex);
  return state().lines;
}

void clear() {
  std::lock_guard lock(state().mutex);
  state().lines.clear();
}

void setPrinter(std::function<void(std::string_view)> printer) {
  std::lock_guard lock(state().mutex);
  state().printer = std::move(printer);
}

}  // namespace system_log
