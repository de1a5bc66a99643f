// The files of a `velloway colorart` run: folder arguments expanded into the PNG and JPEG files
// they hold. (Reading one file with a bound is the engine's: colorart/engine/Artwork.hpp.)
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace colorart_cli {

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
