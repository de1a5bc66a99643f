#include "platform/fs/DeviceRoot.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <random>
#include <stdexcept>

#include "platform/fs/WriteGate.hpp"

namespace fs = std::filesystem;

namespace device_fs {
namespace {

struct RootState {
  std::mutex mutex;
  fs::path root;
  int fd = -1;  // the root folder, the starting point of every device path
};

RootState& state() {
  static RootState* s = new RootState;
  return *s;
}

int rootFd() {
  std::lock_guard lock(state().mutex);
  if (state().fd < 0) throw std::logic_error("no device root chosen");
  return state().fd;
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

struct Descriptor {
  int fd = -1;
  explicit Descriptor(int f) : fd(f) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

std::vector<std::string> split(std::string_view path) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= path.size()) {
    size_t j = path.find('/', i);
    if (j == std::string_view::npos) j = path.size();
    if (j > i) parts.emplace_back(path.substr(i, j - i));
    i = j + 1;
  }
  return parts;
}

// The parts of a device path after following its links as a chroot would, none of them a link,
// ".", ".." or empty (unless a link loops, which leaves the looping part in place for the
// open that comes after to fail on).
std::vector<std::string> resolve(std::string_view devicePath, bool followLast) {
  const fs::path base = root();
  std::vector<std::string> todo = split(devicePath), done;
  std::reverse(todo.begin(), todo.end());
  int links = 0;
  while (!todo.empty()) {
    std::string part = std::move(todo.back());
    todo.pop_back();
    if (part == ".") continue;
    if (part == "..") {
      if (!done.empty()) done.pop_back();
      continue;
    }
    if (todo.empty() && !followLast) {
      done.push_back(std::move(part));
      break;
    }
    fs::path here = base;
    for (const auto& d : done) here /= d;
    here /= part;
    struct stat st {};
    if (links < 40 && ::lstat(here.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
      char target[PATH_MAX];
      ssize_t n = ::readlink(here.c_str(), target, sizeof target);
      if (n > 0 && static_cast<size_t>(n) < sizeof target) {
        ++links;
        std::string_view t(target, static_cast<size_t>(n));
        if (t.front() == '/') done.clear();
        auto more = split(t);
        todo.insert(todo.end(), more.rbegin(), more.rend());
        continue;
      }
    }
    done.push_back(std::move(part));
  }
  return done;
}

std::string relative(std::string_view devicePath) {
  std::string rel;
  for (const auto& part : split(devicePath)) rel += (rel.empty() ? "" : "/") + part;
  return rel.empty() ? "." : rel;
}

std::string parentOf(std::string_view devicePath) {
  auto parts = split(devicePath);
  if (!parts.empty()) parts.pop_back();
  std::string out = "/";
  for (const auto& p : parts) out += p + "/";
  return out;
}

std::string lastPart(std::string_view devicePath) {
  auto parts = split(devicePath);
  return parts.empty() ? std::string() : parts.back();
}

// The name of a temporary file for target, and whether a name is one of those (with its pid).
constexpr std::string_view kTempSuffix = ".tmp";

std::optional<pid_t> temporaryOwner(const std::string& name, const std::string& target) {
  std::string prefix = "." + target + ".";
  if (name.size() <= prefix.size() + kTempSuffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
      name.compare(name.size() - kTempSuffix.size(), kTempSuffix.size(), kTempSuffix) != 0)
    return std::nullopt;
  // pid.counter.random, three runs of digits
  std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - kTempSuffix.size());
  size_t dots = 0;
  for (char c : middle) {
    if (c == '.')
      ++dots;
    else if (c < '0' || c > '9')
      return std::nullopt;
  }
  if (dots != 2 || middle.front() == '.' || middle.back() == '.' || middle.find("..") != std::string::npos) return std::nullopt;
  std::string pid = middle.substr(0, middle.find('.'));
  if (pid.size() > 9) return std::nullopt;
  return static_cast<pid_t>(std::stol(pid));
}

// Removes the temporary files of target that a writer killed before its rename left behind:
// only names of this writer's own pattern, only regular files, only when their process is gone.
void removeLeftovers(int dirFd, const std::string& target) {
  int listFd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listFd < 0) return;
  DIR* dir = ::fdopendir(listFd);
  if (!dir) {
    ::close(listFd);
    return;
  }
  std::vector<std::string> stale;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    auto pid = temporaryOwner(name, target);
    if (!pid || *pid == ::getpid() || *pid <= 0) continue;
    if (::kill(*pid, 0) == 0 || errno != ESRCH) continue;  // its writer may still be at work
    struct stat st {};
    if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) stale.push_back(name);
  }
  ::closedir(dir);
  for (const auto& name : stale) ::unlinkat(dirFd, name.c_str(), 0);
}

bool writeInFolder(int dirFd, const std::string& name, const std::vector<uint8_t>& bytes) {
  if (name.empty() || name == "." || name == "..") return false;
  WriteScope writing;
  removeLeftovers(dirFd, name);
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  std::string temp = "." + name + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + "." +
                     std::to_string(rd()) + std::string(kTempSuffix);
  int fd = ::openat(dirFd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return false;
  bool ok = writeAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  testPauseInWrite();
  if (ok) ok = ::renameat(dirFd, temp.c_str(), dirFd, name.c_str()) == 0;
  if (!ok) {
    int why = errno;
    ::unlinkat(dirFd, temp.c_str(), 0);
    errno = why;
    return false;
  }
  ::fsync(dirFd);
  return true;
}

// What sits at an output's path when it is not a regular file.
std::string kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO (named pipe)";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

// Where an output goes: the path itself, or where a link at it leads. Throws the reason.
fs::path outputTarget(const fs::path& path) {
  fs::path target = fs::absolute(path);
  if (!target.has_filename()) target = target.parent_path();  // "dir/" names the folder
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) target = fs::weakly_canonical(target);
  if (::stat(target.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) throw std::runtime_error("it is " + kindOf(st.st_mode) + "; only a regular file is written");
  } else if (errno != ENOENT) {
    throw std::runtime_error(std::strerror(errno));
  }
  return target;
}

}  // namespace

void useRoot(const fs::path& hostDir) {
  WriteScope writing;
  fs::path dir = fs::absolute(hostDir);
  fs::create_directories(dir);
  for (const char* sub : {"private/var/mobile/Library/Preferences", "private/var/tmp", "Library/PreferenceBundles",
                          "Library/PreferenceLoader/Preferences"})
    fs::create_directories(dir / sub);
  ensureLink(dir / "var", "private/var");
  ensureLink(dir / "User", "var/mobile");
  ensureLink(dir / "tmp", "private/var/tmp");
  int fd = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open the device root " + dir.string());
  std::lock_guard lock(state().mutex);
  if (state().fd >= 0) ::close(state().fd);
  state().fd = fd;
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
  fs::path p = root();
  for (auto& part : resolve(devicePath, false)) p /= part;
  return p;
}

fs::path resolvedHostPath(std::string_view devicePath) {
  fs::path p = root();
  for (auto& part : resolve(devicePath, true)) p /= part;
  return p;
}

int openInRoot(std::string_view devicePath, int flags, mode_t mode) {
  std::optional<WriteScope> writing;
  if (flags & (O_CREAT | O_TRUNC | O_WRONLY | O_RDWR)) writing.emplace();
  open_how how{};
  how.flags = static_cast<uint64_t>(flags | O_CLOEXEC);
  how.mode = (flags & O_CREAT) ? mode : 0;
  how.resolve = RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS;
  std::string rel = relative(devicePath);
  for (;;) {
    long fd = ::syscall(SYS_openat2, rootFd(), rel.c_str(), &how, sizeof how);
    if (fd >= 0) return static_cast<int>(fd);
    if (errno != EAGAIN && errno != EINTR) return -1;  // EAGAIN: a rename raced the walk; try again
  }
}

int openFolder(std::string_view devicePath, bool create) {
  // Each step opened from the one before without following a link, after the links have been
  // followed inside the root: the folder found is inside the root.
  std::optional<WriteScope> writing;  // missing folders may be made
  if (create) writing.emplace();
  int fd = ::openat(rootFd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (const auto& part : resolve(devicePath, true)) {
    if (fd < 0) return -1;
    int next = ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0 && errno == ENOENT && create && ::mkdirat(fd, part.c_str(), 0755) == 0)
      next = ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    ::close(fd);
    fd = next;
  }
  return fd;
}

bool isRegularFile(std::string_view devicePath) {
  Descriptor file(openInRoot(devicePath, O_PATH));
  struct stat st {};
  return file.fd >= 0 && ::fstat(file.fd, &st) == 0 && S_ISREG(st.st_mode);
}

bool isDirectory(std::string_view devicePath) {
  Descriptor file(openInRoot(devicePath, O_PATH));
  struct stat st {};
  return file.fd >= 0 && ::fstat(file.fd, &st) == 0 && S_ISDIR(st.st_mode);
}

bool canWriteFile(std::string_view devicePath) {
  Descriptor folder(openFolder(parentOf(devicePath), true));
  std::string name = lastPart(devicePath);
  if (folder.fd < 0 || name.empty() || name == "." || name == ".." || ::faccessat(folder.fd, ".", W_OK, AT_EACCESS) != 0)
    return false;
  struct stat st {};
  if (::fstatat(folder.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
  return !S_ISDIR(st.st_mode);
}

bool removeFile(std::string_view devicePath) {
  WriteScope writing;
  Descriptor folder(openFolder(parentOf(devicePath), false));
  if (folder.fd < 0) return errno == ENOENT;
  std::string name = lastPart(devicePath);
  if (name.empty() || name == "." || name == "..") return false;
  return ::unlinkat(folder.fd, name.c_str(), 0) == 0 || errno == ENOENT;
}

std::optional<std::vector<uint8_t>> readOpenFile(int fd, size_t maxBytes) {
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > maxBytes)
    return std::nullopt;
  std::vector<uint8_t> bytes;
  bytes.reserve(static_cast<size_t>(st.st_size));
  uint8_t buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;  // EAGAIN included: a file that would block is unreadable
    if (n == 0) break;
    if (bytes.size() + static_cast<size_t>(n) > maxBytes) return std::nullopt;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

std::optional<std::vector<uint8_t>> readHostFile(const fs::path& path, size_t maxBytes) {
  Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  return readOpenFile(file.fd, maxBytes);
}

std::optional<std::vector<uint8_t>> readFile(std::string_view devicePath, size_t maxBytes) {
  Descriptor file(openInRoot(devicePath, O_RDONLY | O_NONBLOCK | O_NOCTTY));
  return readOpenFile(file.fd, maxBytes);
}

std::optional<std::vector<uint8_t>> readFileNoLink(std::string_view devicePath, size_t maxBytes) {
  Descriptor file(openInRoot(devicePath, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW));
  return readOpenFile(file.fd, maxBytes);
}

bool writeHostFileAtomically(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::error_code ec;
  fs::path dir = fs::absolute(path.parent_path(), ec);
  if (ec) return false;
  fs::create_directories(dir, ec);
  if (ec) return false;
  Descriptor folder(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return folder.fd >= 0 && writeInFolder(folder.fd, path.filename().string(), bytes);
}

void writeOutputFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  try {
    fs::path target = outputTarget(path);
    Descriptor folder(::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd < 0)
      throw std::runtime_error(errno == ENOENT ? "there is no folder " + target.parent_path().string() : std::strerror(errno));
    if (!writeInFolder(folder.fd, target.filename().string(), bytes)) throw std::runtime_error(std::strerror(errno));
  } catch (const std::exception& e) {
    throw std::runtime_error("cannot write '" + path.string() + "': " + e.what());
  }
}

bool writeFileAtomically(std::string_view devicePath, const std::vector<uint8_t>& bytes) {
  Descriptor folder(openFolder(parentOf(devicePath), true));
  return folder.fd >= 0 && writeInFolder(folder.fd, lastPart(devicePath), bytes);
}

}  // namespace device_fs
