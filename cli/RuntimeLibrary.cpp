#include "cli/RuntimeLibrary.hpp"

#include <system_error>

#include "platform/fs/ProgramFiles.hpp"

std::string runtimeLibraryPath(const char* fileName, const void* code) {
  std::error_code ec;
  for (const auto& folder : program_files::libraryFolders(code))
    if (std::filesystem::is_regular_file(folder / fileName, ec)) return (folder / fileName).lexically_normal().string();
  return fileName;
}
