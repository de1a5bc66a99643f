#include "platform/fs/ProgramFiles.hpp"

#include <dlfcn.h>

#include <algorithm>
#include <system_error>

// Both set by the build from the installed layout (packaging/InstallLayout.cmake); relative, so
// an installation can be moved whole.
#ifndef VELLOWAY_LIBRARY_FROM_BINARY
#define VELLOWAY_LIBRARY_FROM_BINARY "../lib/velloway"
#endif
#ifndef VELLOWAY_DATA_FROM_LIBRARY
#define VELLOWAY_DATA_FROM_LIBRARY "../../share/velloway"
#endif

namespace fs = std::filesystem;

namespace program_files {

namespace {

void addOnce(std::vector<fs::path>& folders, const fs::path& folder) {
  fs::path normal = folder.lexically_normal();
  if (std::find(folders.begin(), folders.end(), normal) == folders.end()) folders.push_back(normal);
}

}  // namespace

std::vector<fs::path> codeFolders(const void* code) {
  std::vector<fs::path> folders;
  std::error_code ec;
  Dl_info info{};
  if (code && dladdr(code, &info) != 0 && info.dli_fname && *info.dli_fname) {
    fs::path object = fs::weakly_canonical(info.dli_fname, ec);
    if (!ec) addOnce(folders, object.parent_path());
  }
  // The executable's own entry in dladdr is only its argv[0]; /proc/self/exe is exact.
  if (fs::path self = fs::read_symlink("/proc/self/exe", ec); !ec) addOnce(folders, self.parent_path());
  return folders;
}

std::vector<fs::path> libraryFolders(const void* code) {
  std::vector<fs::path> folders;
  for (const fs::path& folder : codeFolders(code)) {
    addOnce(folders, folder);
    addOnce(folders, folder / ".." / "lib");
    addOnce(folders, folder / VELLOWAY_LIBRARY_FROM_BINARY);
  }
  return folders;
}

std::optional<fs::path> findBesideLibraries(const void* code, const fs::path& relative) {
  std::error_code ec;
  for (const fs::path& folder : libraryFolders(code))
    for (const fs::path& candidate : {folder, folder.parent_path()})
      if (fs::is_regular_file(candidate / relative, ec)) return candidate;
  return std::nullopt;
}

fs::path dataFolderFromLibraryFolder() { return VELLOWAY_DATA_FROM_LIBRARY; }

}  // namespace program_files
