#include "platform/preferences/PreferencesFileLock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/fs/DeviceRoot.hpp"

namespace {
std::mutex& processLock() {
  static auto* m = new std::mutex;
  return *m;
}
}  // namespace

PreferencesFileLock::PreferencesFileLock(const std::string& devicePath) : threadLock_(processLock()) {
  if (!device_fs::hasRoot()) return;
  folderFd_ = device_fs::openFolder(devicePath.substr(0, devicePath.rfind('/') + 1), true);
  if (folderFd_ < 0) return;
  while (::flock(folderFd_, LOCK_EX) != 0 && errno == EINTR) {
  }
}

PreferencesFileLock::~PreferencesFileLock() {
  if (folderFd_ >= 0) {
    ::flock(folderFd_, LOCK_UN);
    ::close(folderFd_);
  }
}
