// Temporary folders of the host: one way to make a fresh, private folder for a device root, a
// test or a benchmark run. Leaves out removing it: whoever made it decides when it goes.
#pragma once

#include <filesystem>
#include <string>

namespace device_fs {

// A new, empty folder only this user can enter, under the system's temporary folder ($TMPDIR or
// /tmp), named prefix-XXXXXX with a unique ending. Throws std::runtime_error naming the folder
// when it cannot be made.
std::filesystem::path makeTemporaryFolder(const std::string& prefix);

}  // namespace device_fs
