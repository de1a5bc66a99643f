#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "colorart/engine/Artwork.hpp"

namespace colorart {

bool readImageFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error, int64_t maxBytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot read: " + std::string(std::strerror(errno));
    return false;
  }
  struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
  } closer{fd};
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    error = "cannot read: " + std::string(std::strerror(errno));
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    error = "cannot read: Is a directory";
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = "cannot read: not a regular file";
    return false;
  }
  if (st.st_size > maxBytes) {
    error = "cannot read: larger than " + std::to_string(maxBytes / (1024 * 1024)) + " MB";
    return false;
  }
  // The size may change while reading: read at most one byte more than the bound.
  bytes.assign(static_cast<size_t>(st.st_size), 0);
  size_t used = 0;
  for (;;) {
    if (used == bytes.size()) {
      if (static_cast<int64_t>(bytes.size()) > maxBytes) {
        error = "cannot read: larger than " + std::to_string(maxBytes / (1024 * 1024)) + " MB";
        return false;
      }
      bytes.resize(std::min<size_t>(bytes.size() + 65536, static_cast<size_t>(maxBytes) + 1));
    }
    const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = "cannot read: " + std::string(std::strerror(errno));
      return false;
    }
    if (n == 0) break;
    used += static_cast<size_t>(n);
  }
  bytes.resize(used);
  return true;
}

}  // namespace colorart
