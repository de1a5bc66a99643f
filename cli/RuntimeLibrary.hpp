// The velloway command's libraries loaded at run time (the commands, the window) lie in lib/
// beside bin/ in a build tree, in lib/<triplet>/velloway/ when installed. They are opened by
// full path rather than by name: a sanitizer's dlopen interceptor makes the runtime itself the
// caller, and the caller's run path is the one dlopen searches, so a bare name is not found in
// the sanitizer build.
#pragma once

#include <string>

// The full path of `fileName` in one of program_files::libraryFolders (the folder of the object
// holding `code` or of the running executable, ../lib from there, the installed library folder);
// `fileName` itself when none of these has it, for dlopen's own search and error.
std::string runtimeLibraryPath(const char* fileName, const void* code);
