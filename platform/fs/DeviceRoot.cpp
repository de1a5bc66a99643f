#include "platform/fs/DeviceRoot.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <random>
#include <stdexcept>

#include "platform/fs/FolderWalk.hpp"
#include "platform/fs/WriteGate.hpp"
#include "platform/hostfiles/BoundedRead.hpp"
#include "platform/process/ProcessState.hpp"

namespace fs = std::filesystem;

namespace device_fs {
namespace {

// Set once openat2 has been missing or refused (or by tests): every open walks from then on.
std::atomic<bool>& openByWalk() {
  static std::atomic<bool> walking{false};
  return walking;
}

struct RootState {
  std::mutex mutex;
  fs::path root;
  int fd = -1;  // the root folder, the starting point of every device path

  // No root chosen, and openat2 tried again first.
  void reset() {
    std::lock_guard lock(mutex);
    if (fd >= 0) ::close(fd);
    fd = -1;
    root.clear();
    openByWalk() = false;
  }
};

RootState& state() {
  static RootState* s = process_state::make<RootState>("device root");
  return *s;
}

int rootFd() {
  std::lock_guard lock(state().mutex);
  if (state().fd < 0) throw std::logic_error("no device root chosen");
  return state().fd;
}

// The phone's link at name in the root folder, made when nothing is there yet.
void ensureLink(int rootFd, const fs::path& dir, const char* name, const char* target) {
  struct stat st {};
  if (::fstatat(rootFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0) return;
  if (::symlinkat(target, rootFd, name) != 0 && errno != EEXIST)
    throw std::runtime_error("cannot create device link " + (dir / name).string() + ": " + std::strerror(errno));
}

// The phone's folders, made by the confined walk: in an existing root, links among its
// folders are followed inside it, as every later write follows them.
void ensureFolders(int rootFd, const fs::path& dir) {
  for (const char* sub : {"private/var/mobile/Library/Preferences", "private/var/tmp", "Library/PreferenceBundles",
                          "Library/PreferenceLoader/Preferences"}) {
    int fd = walk::openFolder(rootFd, walk::resolve(dir, sub, true), O_PATH, true);
    if (fd < 0) throw std::runtime_error("cannot create the device folder /" + std::string(sub) + " in " + dir.string());
    ::close(fd);
  }
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

std::string relative(std::string_view devicePath) {
  std::string rel;
  for (const auto& part : walk::split(devicePath)) rel += (rel.empty() ? "" : "/") + part;
  return rel.empty() ? "." : rel;
}

std::string parentOf(std::string_view devicePath) {
  auto parts = walk::split(devicePath);
  if (!parts.empty()) parts.pop_back();
  std::string out = "/";
  for (const auto& p : parts) out += p + "/";
  return out;
}

std::string lastPart(std::string_view devicePath) {
  auto parts = walk::split(devicePath);
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

bool writeInFolder(int dirFd, const std::string& name, const std::vector<uint8_t>& bytes, Durability durability) {
  if (name.empty() || name == "." || name == "..") return false;
  WriteScope writing;
  removeLeftovers(dirFd, name);
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  std::string temp = "." + name + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + "." +
                     std::to_string(rd()) + std::string(kTempSuffix);
  int fd = ::openat(dirFd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return false;
  const bool durable = durability == Durability::Durable;
  bool ok = writeAll(fd, bytes.data(), bytes.size()) && (!durable || ::fsync(fd) == 0);
  ok = (::close(fd) == 0) && ok;
  testPauseInWrite();
  if (ok) ok = ::renameat(dirFd, temp.c_str(), dirFd, name.c_str()) == 0;
  if (!ok) {
    int why = errno;
    ::unlinkat(dirFd, temp.c_str(), 0);
    errno = why;
    return false;
  }
  if (durable) ::fsync(dirFd);
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
  int fd = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open the device root " + dir.string());
  try {
    // The links first: a link of an existing root may point at /tmp/..., which is the phone's
    // tmp link, not a folder of its own.
    ensureLink(fd, dir, "var", "private/var");
    ensureLink(fd, dir, "User", "var/mobile");
    ensureLink(fd, dir, "tmp", "private/var/tmp");
    ensureFolders(fd, dir);
  } catch (...) {
    ::close(fd);
    throw;
  }
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
  for (auto& part : walk::resolve(p, devicePath, false)) p /= part;
  return p;
}

fs::path resolvedHostPath(std::string_view devicePath) {
  fs::path p = root();
  for (auto& part : walk::resolve(p, devicePath, true)) p /= part;
  return p;
}

int openInRoot(std::string_view devicePath, int flags, mode_t mode) {
  std::optional<WriteScope> writing;
  if (flags & (O_CREAT | O_TRUNC | O_WRONLY | O_RDWR)) writing.emplace();
  const int fd = rootFd();
  if (!openByWalk()) {
    open_how how{};
    how.flags = static_cast<uint64_t>(flags | O_CLOEXEC);
    how.mode = (flags & O_CREAT) ? mode : 0;
    how.resolve = RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS;
    std::string rel = relative(devicePath);
    for (;;) {
      long opened = ::syscall(SYS_openat2, fd, rel.c_str(), &how, sizeof how);
      if (opened >= 0) return static_cast<int>(opened);
      if (errno == EAGAIN || errno == EINTR) continue;  // EAGAIN: a rename raced the walk; try again
      if (errno != ENOSYS && errno != EPERM) return -1;
      break;  // a kernel before 5.6, or a sandbox that refuses the call: walk instead, from now on
    }
    openByWalk() = true;
  }
  return walk::open(fd, root(), devicePath, flags, mode);
}

int openFolder(std::string_view devicePath, bool create) {
  // Each step opened from the one before without following a link, after the links have been
  // followed inside the root: the folder found is inside the root.
  std::optional<WriteScope> writing;  // missing folders may be made
  if (create) writing.emplace();
  return walk::openFolder(rootFd(), walk::resolve(root(), devicePath, true), O_RDONLY, create);
}

void openByWalkOnly(bool on) { openByWalk() = on; }

bool opensByWalk() { return openByWalk(); }

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

std::optional<std::vector<uint8_t>> readHostFile(const fs::path& path, size_t maxBytes) {
  return host_files::readFile(path, maxBytes);
}

std::optional<std::vector<uint8_t>> readFile(std::string_view devicePath, size_t maxBytes) {
  Descriptor file(openInRoot(devicePath, O_RDONLY | O_NONBLOCK | O_NOCTTY));
  return host_files::readOpenFile(file.fd, maxBytes);
}

std::optional<std::vector<uint8_t>> readFileNoLink(std::string_view devicePath, size_t maxBytes) {
  Descriptor file(openInRoot(devicePath, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW));
  return host_files::readOpenFile(file.fd, maxBytes);
}

bool writeHostFileAtomically(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::error_code ec;
  fs::path dir = fs::absolute(path.parent_path(), ec);
  if (ec) return false;
  fs::create_directories(dir, ec);
  if (ec) return false;
  Descriptor folder(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return folder.fd >= 0 && writeInFolder(folder.fd, path.filename().string(), bytes, Durability::Durable);
}

void writeOutputFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  try {
    fs::path target = outputTarget(path);
    Descriptor folder(::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd < 0)
      throw std::runtime_error(errno == ENOENT ? "there is no folder " + target.parent_path().string() : std::strerror(errno));
    if (!writeInFolder(folder.fd, target.filename().string(), bytes, Durability::Durable))
      throw std::runtime_error(std::strerror(errno));
  } catch (const std::exception& e) {
    throw std::runtime_error("cannot write '" + path.string() + "': " + e.what());
  }
}

bool writeFileAtomically(std::string_view devicePath, const std::vector<uint8_t>& bytes, Durability durability) {
  Descriptor folder(openFolder(parentOf(devicePath), true));
  return folder.fd >= 0 && writeInFolder(folder.fd, lastPart(devicePath), bytes, durability);
}

}  // namespace device_fs
