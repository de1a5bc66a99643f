// File system of the simulated device.
// Implements: a host folder that stands for "/" of the phone, with the phone's links
// (var -> private/var, User -> var/mobile, tmp -> private/var/tmp), the mapping of absolute
// device paths below it, whole-file reads, and atomic, durable whole-file writes.
// The root confines every path as a chroot would: a link inside it is followed inside it (an
// absolute target starts again at the root, ".." never climbs above it), for opening, reading,
// writing and naming host paths alike. Every write goes through descriptors opened inside the
// root (openInRoot, openFolder), never through a host path. Every read, of a device file or of
// an outside file, is bounded: opened without blocking, only a regular file, at most a given size.
// Device paths are opened with openat2 (Linux 5.6 and later), which the kernel confines; where
// the kernel lacks it or a sandbox refuses it, the same confinement is done by walking the path
// one folder at a time (FolderWalk.hpp).
// Leaves out: permissions, users, mount points, file protection classes.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace device_fs {

// Makes hostDir the device root, creating it and the phone's folders and links when they are
// missing. An existing root is used as it stands: links among its folders are followed inside
// it, so the folders that are missing are made inside it too.
void useRoot(const std::filesystem::path& hostDir);
bool hasRoot();
const std::filesystem::path& root();

// What a read takes at most unless told otherwise.
inline constexpr size_t kDefaultReadLimit = size_t{64} << 20;

// The host path of a device path, for naming and reading (a write through it would follow a
// link planted on the host). Paths are read as absolute; repeated slashes are one; links on the
// way are followed inside the root; "." and ".." never climb above it. The last part is followed
// too when it is a link (resolvedHostPath) or kept as it is (hostPath, for callers that look at
// the link itself).
std::filesystem::path hostPath(std::string_view devicePath);
std::filesystem::path resolvedHostPath(std::string_view devicePath);

// open(2) of a device path inside the root (O_CLOEXEC added); -1 with errno on failure. With
// O_NOFOLLOW, a link at the last step fails (ELOOP).
int openInRoot(std::string_view devicePath, int flags, mode_t mode = 0);
// Whether opens walk the path instead of calling openat2: set for good by the first call that
// the kernel or a sandbox refuses (ENOSYS, EPERM). Tests force the walk with openByWalkOnly.
bool opensByWalk();
void openByWalkOnly(bool on);
// The folder at a device path, opened for reading (to list, lock or fsync it), every step of it
// checked to be a real folder inside the root; missing folders are made when create is set.
int openFolder(std::string_view devicePath, bool create);
bool isRegularFile(std::string_view devicePath);
bool isDirectory(std::string_view devicePath);
// Whether writeFileAtomically could replace the file: its folder is there (or can be made) and
// writable, and nothing but a file or a link sits at the path (a folder cannot be replaced).
bool canWriteFile(std::string_view devicePath);
// Removes the file (or the link) at the path; true when nothing is there any more.
bool removeFile(std::string_view devicePath);

// The file's bytes, or nothing when it is missing, unreadable, not a regular file or larger
// than maxBytes.
std::optional<std::vector<uint8_t>> readFile(std::string_view devicePath, size_t maxBytes = kDefaultReadLimit);
// The same, but nothing when the last step is a link: the file itself must sit at the path.
std::optional<std::vector<uint8_t>> readFileNoLink(std::string_view devicePath, size_t maxBytes = kDefaultReadLimit);

// Whether a write reaches the disk before it returns (the settings file), or may stay in the
// page cache for a while (a copy that is made again when it is found stale, such as the pane
// installed from the build).
enum class Durability { Durable, Cached };

// Writes the whole file through a temporary file in the same folder: flush, fsync, rename
// over the target, fsync the folder (the two fsyncs only when durable). Creates missing
// folders. False on any failure (the target is then unchanged). Temporary files that an
// earlier writer left behind when it was killed (named by this function's own pattern, their
// writer gone) are removed first.
bool writeFileAtomically(std::string_view devicePath, const std::vector<uint8_t>& bytes,
                         Durability durability = Durability::Durable);

// The same for a host path (a file outside the device, named by the user).
bool writeHostFileAtomically(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
// Writes a file the user named (a picture, an e-mail) without ever blocking: the bytes go to a
// temporary file in the target's folder, renamed over the target, so the target itself is
// never opened. Only a new name in an existing folder or a regular file (also at the end of a
// link, which is kept) is written: a folder, a FIFO, a device or a socket there is refused.
// Throws std::runtime_error naming the path and why.
void writeOutputFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
// Reads an outside file without ever blocking, with the bound (platform/hostfiles): nothing when
// it is missing, unreadable, not a regular file or larger than maxBytes.
std::optional<std::vector<uint8_t>> readHostFile(const std::filesystem::path& path, size_t maxBytes = kDefaultReadLimit);

}  // namespace device_fs
