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
  std::error_code ec;
  auto folder = device_fs::hostPath(devicePath).parent_path();
  std::filesystem::create_directories(folder, ec);
  folderFd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
