#include "platform/fs/DeviceRoot.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace device_fs {
namespace {

struct RootState {
  std::mutex mutex;
  fs::path root;
};

RootState& state() {
  static RootState* s = new RootState;
  return *s;
}

void ensureLink(const fs::path& link, const fs::path& target) {
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(link, ec)) || fs::exists(link, ec)) return;
  fs::create_directory_symlink(target, link, ec);
  if (ec) throw std::runtime_error("cannot create device link " + link.string() + ": " + ec.message());
}

bool writeAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

void useRoot(const fs::path& hostDir) {
  fs::path dir = fs::absolute(hostDir);
  fs::create_directories(dir);
  for (const char* sub : {"private/var/mobile/Library/Preferences", "private/var/tmp", "Library/PreferenceBundles",
                          "Library/PreferenceLoader/Preferences"})
    fs::create_directories(dir / sub);
  ensureLink(dir / "var", "private/var");
  ensureLink(dir / "User", "var/mobile");
  ensureLink(dir / "tmp", "private/var/tmp");
  std::lock_guard lock(state().mutex);
  state().root = dir;
}

bool hasRoot() {
  std::lock_guard lock(state().mutex);
  return !state().root.empty();
}

const fs::path& root() {
  std::lock_guard lock(state().mutex);
  if (state().root.empty()) throw std::logic_error("no device root chosen");
  return state().root;
}

fs::path hostPath(std::string_view devicePath) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= devicePath.size()) {
    size_t j = devicePath.find('/', i);
    if (j == std::string_view::npos) j = devicePath.size();
    std::string_view part = devicePath.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.emplace_back(part);
    }
    i = j + 1;
  }
  fs::path p = root();
  for (auto& part : parts) p /= part;
  return p;
}

std::optional<std::vector<uint8_t>> readHostFile(const fs::path& path) {
  // A folder, a device node or anything else that is not a plain file reads as missing.
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::vector<uint8_t> bytes;
  uint8_t buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  ::close(fd);
  return bytes;
}

std::optional<std::vector<uint8_t>> readFile(std::string_view devicePath) { return readHostFile(hostPath(devicePath)); }

bool writeHostFileAtomically(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::error_code ec;
  // Follow the phone's links to the real folder, so the rename lands beside the real file.
  fs::path dir = fs::weakly_canonical(path.parent_path(), ec);
  if (ec) return false;
  fs::create_directories(dir, ec);
  if (ec) return false;
  fs::path target = dir / path.filename();
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  fs::path temp = dir / ("." + path.filename().string() + "." + std::to_string(::getpid()) + "." +
                         std::to_string(counter++) + "." + std::to_string(rd()) + ".tmp");
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return false;
  bool ok = writeAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

bool writeFileAtomically(std::string_view devicePath, const std::vector<uint8_t>& bytes) {
  return writeHostFileAtomically(hostPath(devicePath), bytes);
}

}  // namespace device_fs
