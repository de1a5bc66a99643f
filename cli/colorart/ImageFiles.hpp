// The files of a `velloway colorart` run: reading one image file with a bound, and expanding
// folder arguments into the PNG and JPEG files they hold.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace colorart_cli {

// Largest image file read (a file over it is refused before it is read).
inline constexpr int64_t kMaxImageFileBytes = 256LL * 1024 * 1024;

// The bytes of a regular file of at most maxBytes. Opened without blocking and checked after
// opening, so a FIFO, a device or a /proc file can't hang the read. On failure, nothing, and
// `error` says why.
std::optional<std::vector<uint8_t>> readImageFile(const std::string& path, std::string& error,
                                                  int64_t maxBytes = kMaxImageFileBytes);

// One input of a run: a path to analyse, or an error found while listing a folder.
struct Input {
  std::string path;
  std::string error;  // set: not analysed, this line is reported instead
};

// Each argument in order: a folder becomes the PNG and JPEG files under it (by extension, any
// case), walked recursively and sorted by path; a symbolic link inside it is followed only when
// it leads to a file inside the folder, never to a folder. Anything else is kept as named.
std::vector<Input> expandArguments(const std::vector<std::string>& arguments);

}  // namespace colorart_cli
