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
