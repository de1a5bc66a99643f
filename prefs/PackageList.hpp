// The list of installed packages that a support e-mail carries: the package manager's
// "dpkg -l", written to a file of the device that the list then stays in.
//
// The file sits at a fixed name in a folder every app can write to, so it is opened without
// following a link planted at that name, only when it is a plain file of ours with no other
// names, and emptied only after those checks; dpkg runs without a shell with its output going
// straight to that open file, and the list is read back from the same open file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace package_list {

constexpr const char* kDevicePath = "/tmp/dpkgl.log";
constexpr const char* kProgram = "/usr/bin/dpkg";
// What is read back at most: a list of many thousand packages is a few megabytes.
constexpr size_t kMaxListBytes = size_t{16} << 20;

// Runs `program -l` with its output replacing the file's content, waits for it, and answers
// what the file then holds (empty when the program could not run or printed nothing). A list
// longer than maxBytes is answered cut short, after its last whole line within the bound, with
// a last line that says so. Nothing when the file cannot be opened safely: it is a link, not a
// plain file, not ours, or has other names.
std::optional<std::string> write(const std::string& devicePath = kDevicePath, const std::string& program = kProgram,
                                 size_t maxBytes = kMaxListBytes);

}  // namespace package_list
