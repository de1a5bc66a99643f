// The velloway command's libraries loaded at run time (the commands, the window) lie in lib/,
// beside bin/. They are opened by full path rather than by name: a sanitizer's dlopen
// interceptor makes the runtime itself the caller, and the caller's run path is the one dlopen
// searches, so a bare name is not found in the sanitizer build.
#pragma once

#include <string>

// The full path of `fileName` in the folder of the object holding `code` (the executable or a
// library) or in ../lib from there, or from the running executable; `fileName` itself when none
// of these has it, for dlopen's own search and error.
std::string runtimeLibraryPath(const char* fileName, const void* code);
