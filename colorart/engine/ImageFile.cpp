#include <algorithm>
#include <cstring>

#include "colorart/engine/Artwork.hpp"
#include "platform/hostfiles/BoundedRead.hpp"

namespace colorart {

bool readImageFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error, int64_t maxBytes) {
  using Reason = host_files::ReadFailure::Reason;
  host_files::ReadFailure why;
  auto read = host_files::readFile(path, static_cast<size_t>(std::max<int64_t>(maxBytes, 0)), &why);
  if (read) {
    bytes = std::move(*read);
    return true;
  }
  switch (why.reason) {
    case Reason::Directory:
      error = "cannot read: Is a directory";
      break;
    case Reason::NotRegularFile:
      error = "cannot read: not a regular file";
      break;
    case Reason::TooLarge:
      error = "cannot read: larger than " + std::to_string(maxBytes / (1024 * 1024)) + " MB";
      break;
    case Reason::System:
      error = "cannot read: " + std::string(std::strerror(why.errorNumber));
      break;
  }
  return false;
}

}  // namespace colorart
