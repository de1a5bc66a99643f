// Where the program's own files lie: the libraries and plug-ins it loads, the pane bundle, its
// data. Everything is found from where the running code itself lies, so a build tree and an
// installation under any prefix work alike and no path of the machine that built it is kept:
//   build tree   bin/velloway   lib/*.so        VLW.bundle/    share/velloway/
//   installed    bin/velloway   lib/<triplet>/velloway/{*.so,VLW.bundle/}   share/velloway/
// Leaves out: search paths from the environment (the fonts have their own, VELLOWAY_FONTCONFIG).
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace program_files {

// The folder of the loaded object (the executable or a library) that holds `code`, then the
// running executable's folder; each once.
std::vector<std::filesystem::path> codeFolders(const void* code);

// The folders that may hold the program's libraries, seen from each of codeFolders: the folder
// itself, ../lib (a build tree) and the installed library folder (lib/<triplet>/velloway).
std::vector<std::filesystem::path> libraryFolders(const void* code);

// The first library folder, or the folder above one, holding `relative` (a file), if any.
std::optional<std::filesystem::path> findBesideLibraries(const void* code, const std::filesystem::path& relative);

// The data folder (share/velloway) seen from the installed library folder, for code loaded by
// another program than the velloway command.
std::filesystem::path dataFolderFromLibraryFolder();

}  // namespace program_files
