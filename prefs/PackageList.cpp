#include "prefs/PackageList.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>

#include "platform/fs/DeviceRoot.hpp"
#include "platform/fs/WriteGate.hpp"

extern char** environ;

namespace package_list {

namespace {

struct FileDescriptor {
  int fd = -1;
  ~FileDescriptor() {
    if (fd >= 0) ::close(fd);
  }
};

// Opens the list's file for writing and reading: inside the device root, not through a link, not blocking on a
// planted pipe, and only a plain file of this user with a single name; then empties it.
int openListFile(const std::string& devicePath) {
  int fd = device_fs::openInRoot(devicePath, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK, 0644);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1 || st.st_uid != ::geteuid() ||
      ::fcntl(fd, F_SETFL, 0) != 0 || ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Runs the program with "-l", its output going to fd, and waits for it. The exit status says
// nothing the list does not show, so it is not looked at.
void runInto(const std::string& program, int fd) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return;
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fd, STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::string name = "dpkg", option = "-l";
  char* argv[] = {name.data(), option.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) == 0) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  posix_spawn_file_actions_destroy(&actions);
}

// The list is cut after its last whole line within the bound; the line added says so.
std::string cutShort(std::string list, size_t maxBytes) {
  list.resize(maxBytes);
  size_t end = list.rfind('\n');
  list.resize(end == std::string::npos ? maxBytes : end + 1);
  if (!list.empty() && list.back() != '\n') list += '\n';
  return list + fmt::format("(list cut short: longer than {} bytes)\n", maxBytes);
}

std::optional<std::string> readAll(int fd, size_t maxBytes) {
  if (::lseek(fd, 0, SEEK_SET) != 0) return std::nullopt;
  std::string out;
  char buffer[65536];
  while (out.size() <= maxBytes) {
    const size_t wanted = std::min(sizeof buffer, maxBytes + 1 - out.size());
    ssize_t n = ::read(fd, buffer, wanted);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) return out;
    out.append(buffer, static_cast<size_t>(n));
  }
  return cutShort(std::move(out), maxBytes);
}

}  // namespace

std::optional<std::string> write(const std::string& devicePath, const std::string& program, size_t maxBytes) {
  device_fs::WriteScope writing;  // the program writes into the device root until it ends
  FileDescriptor file{openListFile(devicePath)};
  if (file.fd < 0) return std::nullopt;
  runInto(program, file.fd);
  return readAll(file.fd, maxBytes);
}

}  // namespace package_list
