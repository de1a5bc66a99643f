#include "platform/fs/WriteGate.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>

namespace device_fs {
namespace {

struct Gate {
  std::mutex mutex;
  std::condition_variable changed;
  int writers = 0;
  bool closed = false;
};

Gate& gate() {
  static Gate* g = new Gate;  // never destroyed: a write may still wait on it while the process ends
  return *g;
}

thread_local int depth = 0;  // scopes this thread holds

const char* testPauseDir() {
  static const char* dir = [] {
    const char* d = std::getenv("VELLOWAY_TEST_PAUSE_DIR");
    return d && *d ? d : nullptr;
  }();
  return dir;
}

void touch(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) ::close(fd);
}

}  // namespace

WriteScope::WriteScope() {
  if (depth++ > 0) return;
  Gate& g = gate();
  std::unique_lock lock(g.mutex);
  g.changed.wait(lock, [&] { return !g.closed; });
  ++g.writers;
}

WriteScope::~WriteScope() {
  if (--depth > 0) return;
  Gate& g = gate();
  std::lock_guard lock(g.mutex);
  --g.writers;
  g.changed.notify_all();
}

void closeForRemoval() {
  Gate& g = gate();
  std::unique_lock lock(g.mutex);
  g.closed = true;
  if (const char* dir = testPauseDir()) touch(std::string(dir) + "/closing");
  g.changed.wait(lock, [&] { return g.writers == 0; });
}

void testPauseInWrite() {
  const char* dir = testPauseDir();
  static std::atomic<bool> paused{false};
  if (!dir || paused.exchange(true)) return;
  touch(std::string(dir) + "/in-write");
  std::string resume = std::string(dir) + "/resume";
  while (::access(resume.c_str(), F_OK) != 0) ::usleep(10000);
}

}  // namespace device_fs
