#include "platform/fs/FolderWalk.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace fs = std::filesystem;

namespace device_fs::walk {

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

std::vector<std::string> resolve(const fs::path& base, std::string_view devicePath, bool followLast) {
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

int openFolder(int rootFd, const std::vector<std::string>& parts, int openFlags, bool create) {
  const int last = openFlags | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  const int step = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  int fd = ::openat(rootFd, ".", parts.empty() ? last : step);
  for (size_t i = 0; i < parts.size() && fd >= 0; ++i) {
    const char* name = parts[i].c_str();
    const int flags = i + 1 == parts.size() ? last : step;
    int next = ::openat(fd, name, flags);
    if (next < 0 && errno == ENOENT && create && (::mkdirat(fd, name, 0755) == 0 || errno == EEXIST))
      next = ::openat(fd, name, flags);
    const int saved = errno;
    ::close(fd);
    errno = saved;
    fd = next;
  }
  return fd;
}

int open(int rootFd, const fs::path& base, std::string_view devicePath, int flags, mode_t mode) {
  std::vector<std::string> parts = resolve(base, devicePath, (flags & O_NOFOLLOW) == 0);
  if (parts.empty()) return ::openat(rootFd, ".", flags | O_CLOEXEC, mode);
  const std::string name = std::move(parts.back());
  parts.pop_back();
  int folder = openFolder(rootFd, parts, O_PATH, false);
  if (folder < 0) return -1;
  int fd = ::openat(folder, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode);
  const int saved = errno;
  ::close(folder);
  errno = saved;
  return fd;
}

}  // namespace device_fs::walk
