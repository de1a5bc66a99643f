// The tests' device: a fresh temporary device root per test, and the process-wide state put
// back to new before and after each test, so that no test sees what another left behind.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace test_support {

// Writes a file of the host (not a device path), making its folders; fails the test when it
// cannot.
void writeHostFile(const std::filesystem::path& path, const std::string& text);
// The whole content of a file of the host; empty when it cannot be read.
std::string readHostFile(const std::filesystem::path& path);

// Every regular file under a folder of the host, by its path relative to the folder, with its
// content.
std::map<std::string, std::string> filesUnder(const std::filesystem::path& folder);
// Everything under a folder of the host, links not followed, by its path relative to the folder:
// "folder", "link to TARGET" or "file: CONTENT", for checking that nothing there changed.
std::map<std::string, std::string> treeUnder(const std::filesystem::path& folder);

inline std::vector<uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

// How many Darwin notifications the process has posted so far, and those posted since the
// first `from` of them.
size_t postedCount();
std::vector<std::string> postedSince(size_t from);

// Every piece of process-wide state back to new (process_state::reset): the default device
// profile, no device root, an empty main queue and clock at 0, no alert, no observer but those
// of loaded libraries, an empty log, ...
void resetProcessState();

// Process state reset around each test; for tests that need no files.
class ProcessStateTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// A fresh device root per test: tempFolder_ is the test's own temporary folder, root_ the device
// root inside it and outside_ an empty folder beside the root, for what must lie outside it.
// All are removed at the end.
class DeviceRootTest : public ProcessStateTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Replaces whatever is at the device path, as the root holds it, with a symbolic link to
  // target (a host path, or one relative to the link's folder).
  void plantLink(const std::string& devicePath, const std::filesystem::path& target) const;

  std::filesystem::path tempFolder_;
  std::filesystem::path root_;
  std::filesystem::path outside_;
};

}  // namespace test_support
