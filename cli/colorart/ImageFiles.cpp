#include "cli/colorart/ImageFiles.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fmt/format.h>

namespace colorart_cli {

namespace fs = std::filesystem;

std::optional<std::vector<uint8_t>> readImageFile(const std::string& path, std::string& error, int64_t maxBytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = fmt::format("cannot read: {}", std::strerror(errno));
    return std::nullopt;
  }
  struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
  } closer{fd};
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    error = fmt::format("cannot read: {}", std::strerror(errno));
    return std::nullopt;
  }
  if (S_ISDIR(st.st_mode)) {
    error = "cannot read: Is a directory";
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode)) {
    error = "cannot read: not a regular file";
    return std::nullopt;
  }
  if (st.st_size > maxBytes) {
    error = fmt::format("cannot read: larger than {} MB", maxBytes / (1024 * 1024));
    return std::nullopt;
  }
  // The size may change while reading: read at most one byte more than the bound.
  std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
  size_t used = 0;
  for (;;) {
    if (used == bytes.size()) {
      if (static_cast<int64_t>(bytes.size()) > maxBytes) {
        error = fmt::format("cannot read: larger than {} MB", maxBytes / (1024 * 1024));
        return std::nullopt;
      }
      bytes.resize(std::min<size_t>(bytes.size() + 65536, static_cast<size_t>(maxBytes) + 1));
    }
    const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = fmt::format("cannot read: {}", std::strerror(errno));
      return std::nullopt;
    }
    if (n == 0) break;
    used += static_cast<size_t>(n);
  }
  bytes.resize(used);
  return bytes;
}

namespace {

bool hasImageExtension(const fs::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == ".png" || ext == ".jpg" || ext == ".jpeg";
}

bool isInside(const fs::path& path, const fs::path& folder) {
  auto [f, p] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
  return f == folder.end();
}

void walkFolder(const std::string& argument, std::vector<Input>& inputs) {
  std::error_code ec;
  const fs::path root = fs::canonical(argument, ec);
  if (ec) {
    inputs.push_back({argument, fmt::format("cannot read: {}", ec.message())});
    return;
  }
  std::vector<std::string> files;
  std::vector<Input> problems;
  fs::recursive_directory_iterator it(argument, fs::directory_options::none, ec), end;
  if (ec) {
    inputs.push_back({argument, fmt::format("cannot read: {}", ec.message())});
    return;
  }
  for (; it != end; it.increment(ec)) {
    if (ec) {
      problems.push_back({argument, fmt::format("cannot list the folder: {}", ec.message())});
      break;
    }
    const fs::directory_entry& entry = *it;
    if (!hasImageExtension(entry.path())) continue;
    std::error_code linkError;
    if (entry.is_symlink(linkError)) {
      // Followed only to a regular file inside the folder.
      const fs::path target = fs::canonical(entry.path(), linkError);
      if (linkError || !isInside(target, root) || !fs::is_regular_file(target, linkError)) continue;
    } else if (!entry.is_regular_file(linkError)) {
      continue;
    }
    files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  for (std::string& f : files) inputs.push_back({std::move(f), {}});
  for (Input& p : problems) inputs.push_back(std::move(p));
}

}  // namespace

std::vector<Input> expandArguments(const std::vector<std::string>& arguments) {
  std::vector<Input> inputs;
  for (const std::string& argument : arguments) {
    std::error_code ec;
    if (fs::is_directory(argument, ec))
      walkFolder(argument, inputs);
    else
      inputs.push_back({argument, {}});
  }
  return inputs;
}

}  // namespace colorart_cli
