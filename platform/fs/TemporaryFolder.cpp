#include "platform/fs/TemporaryFolder.hpp"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace device_fs {

std::filesystem::path makeTemporaryFolder(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (!::mkdtemp(pattern.data()))
    throw std::runtime_error("cannot make a temporary folder " + pattern + ": " + std::strerror(errno));
  return pattern;
}

}  // namespace device_fs
