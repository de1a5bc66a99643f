#include "cli/RuntimeLibrary.hpp"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>
#include <vector>

std::string runtimeLibraryPath(const char* fileName, const void* code) {
  namespace fs = std::filesystem;
  std::vector<fs::path> folders;
  std::error_code ec;
  Dl_info info{};
  if (dladdr(code, &info) != 0 && info.dli_fname != nullptr && *info.dli_fname != '\0') {
    fs::path object = fs::weakly_canonical(info.dli_fname, ec);
    if (!ec) folders.push_back(object.parent_path());
  }
  // The executable's own entry in dladdr is only its argv[0]; /proc/self/exe is exact.
  if (fs::path self = fs::read_symlink("/proc/self/exe", ec); !ec) folders.push_back(self.parent_path());
  for (const fs::path& folder : folders)
    for (const fs::path& candidate : {folder / fileName, folder / ".." / "lib" / fileName})
      if (fs::is_regular_file(candidate, ec)) return candidate.lexically_normal().string();
  return fileName;
}
