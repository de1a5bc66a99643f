// File system of the simulated device: the confined walk under a device root.
// Implements: following a device path's links the way a chroot would (an absolute target starts
// again at the root, ".." never climbs above it), and opening what the resolved path names one
// folder at a time from the root's descriptor, never following a link on the way, so that what
// is opened, made or written lies inside the root even when the root holds links that point out.
// It serves DeviceRoot.cpp: the folders it opens and makes, the phone's folders of a root that
// is taken into use, and every open of a device path where openat2 is missing or refused.
// Leaves out: permissions and mount points, as DeviceRoot.hpp does.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace device_fs::walk {

// The parts of a path between its slashes, empty ones left out.
std::vector<std::string> split(std::string_view path);

// The parts of a device path below the root at `base` after following its links inside the
// root, none of them a link, ".", ".." or empty (unless a link loops, which leaves the looping
// part in place for the open that comes after to fail on). The last part is followed only when
// followLast is set.
std::vector<std::string> resolve(const std::filesystem::path& base, std::string_view devicePath, bool followLast);

// The folder named by the parts below the root folder rootFd, each step opened from the one
// before without following a link; missing folders are made when create is set. The last step
// is opened with openFlags (O_DIRECTORY, O_NOFOLLOW and O_CLOEXEC added), the others as paths
// only. -1 with errno when a step is missing, a link or not a folder.
int openFolder(int rootFd, const std::vector<std::string>& parts, int openFlags, bool create);

// open(2) of a device path inside the root, done by the walk: the path is resolved inside the
// root (its last part too unless flags hold O_NOFOLLOW), its folder opened by the walk, and the
// last part opened there without following a link. -1 with errno on failure.
int open(int rootFd, const std::filesystem::path& base, std::string_view devicePath, int flags, mode_t mode);

}  // namespace device_fs::walk
