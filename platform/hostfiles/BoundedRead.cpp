#include "platform/hostfiles/BoundedRead.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace host_files {
namespace {

std::nullopt_t fail(ReadFailure* why, ReadFailure::Reason reason, int errorNumber = 0) {
  if (why) *why = {reason, errorNumber};
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<uint8_t>> readOpenFile(int fd, size_t maxBytes, ReadFailure* why) {
  using Reason = ReadFailure::Reason;
  struct stat st {};
  if (fd < 0) return fail(why, Reason::System, EBADF);
  if (::fstat(fd, &st) != 0) return fail(why, Reason::System, errno);
  if (S_ISDIR(st.st_mode)) return fail(why, Reason::Directory);
  if (!S_ISREG(st.st_mode)) return fail(why, Reason::NotRegularFile);
  if (static_cast<uint64_t>(st.st_size) > maxBytes) return fail(why, Reason::TooLarge);
  std::vector<uint8_t> bytes;
  bytes.reserve(static_cast<size_t>(st.st_size));
  uint8_t buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(why, Reason::System, errno);  // EAGAIN too: a file that would block is unreadable
    if (n == 0) break;
    if (bytes.size() + static_cast<size_t>(n) > maxBytes) return fail(why, Reason::TooLarge);
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

std::optional<std::vector<uint8_t>> readFile(const std::filesystem::path& path, size_t maxBytes, ReadFailure* why) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return fail(why, ReadFailure::Reason::System, errno);
  auto bytes = readOpenFile(fd, maxBytes, why);
  ::close(fd);
  return bytes;
}

}  // namespace host_files
