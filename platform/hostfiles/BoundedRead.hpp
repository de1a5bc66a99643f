// Whole-file reads of host files that cannot hang or take more than they are allowed: the file
// is opened without blocking, checked to be a regular file no larger than the bound, and read
// with that bound (a /proc file that says it is empty, or a file that grows, cannot make it read
// more). A FIFO, a device or a socket is refused instead of waited on. On failure the caller
// learns why, to say so in its own words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace host_files {

// Why a read gave no bytes.
struct ReadFailure {
  enum class Reason {
    System,          // open, fstat or read failed: errorNumber says how
    Directory,       // a folder stands at the path
    NotRegularFile,  // a FIFO, a device, a socket
    TooLarge,        // over the bound, at the start or while reading
  };
  Reason reason = Reason::System;
  int errorNumber = 0;  // the errno of a System failure
};

// The bytes of the file open on fd (its offset wherever it stands), or nothing, with why when
// asked for.
std::optional<std::vector<uint8_t>> readOpenFile(int fd, size_t maxBytes, ReadFailure* why = nullptr);

// The same for a path, opened here with O_NONBLOCK | O_NOCTTY | O_CLOEXEC.
std::optional<std::vector<uint8_t>> readFile(const std::filesystem::path& path, size_t maxBytes, ReadFailure* why = nullptr);

}  // namespace host_files
