// File system of the simulated device.
// Implements: a host folder that stands for "/" of the phone, with the phone's links
// (var -> private/var, User -> var/mobile, tmp -> private/var/tmp), the mapping of absolute
// device paths below it, whole-file reads, and atomic, durable whole-file writes.
// Leaves out: permissions, users, mount points, file protection classes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace device_fs {

// Makes hostDir the device root, creating it and the phone's folders and links when they are
// missing. An existing root is used as it stands.
void useRoot(const std::filesystem::path& hostDir);
bool hasRoot();
const std::filesystem::path& root();

// The host path of a device path. Paths are read as absolute; "." and ".." are resolved
// lexically and never climb above the root; repeated slashes are one.
std::filesystem::path hostPath(std::string_view devicePath);

// The file's bytes, or nothing when it is missing or unreadable.
std::optional<std::vector<uint8_t>> readFile(std::string_view devicePath);

// Writes the whole file through a temporary file in the same folder: flush, fsync, rename
// over the target, fsync the folder. Creates missing folders. False on any failure (the
// target is then unchanged).
bool writeFileAtomically(std::string_view devicePath, const std::vector<uint8_t>& bytes);

// The same for a host path.
bool writeHostFileAtomically(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
std::optional<std::vector<uint8_t>> readHostFile(const std::filesystem::path& path);

}  // namespace device_fs
