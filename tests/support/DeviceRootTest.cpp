#include "tests/support/DeviceRootTest.hpp"

#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/corefoundation/CFNotificationCenter.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/fs/TemporaryFolder.hpp"
#include "platform/process/ProcessState.hpp"

namespace fs = std::filesystem;

namespace test_support {

void writeHostFile(const fs::path& path, const std::string& text) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  ASSERT_TRUE(device_fs::writeHostFileAtomically(path, bytesOf(text))) << path;
}

std::string readHostFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::map<std::string, std::string> filesUnder(const fs::path& folder) {
  std::map<std::string, std::string> out;
  for (auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file()) out[fs::relative(e.path(), folder).string()] = readHostFile(e.path());
  return out;
}

std::map<std::string, std::string> treeUnder(const fs::path& folder) {
  std::map<std::string, std::string> out;
  for (auto& e : fs::recursive_directory_iterator(folder)) {
    std::string name = fs::relative(e.path(), folder).string();
    if (e.is_symlink())
      out[name] = "link to " + fs::read_symlink(e.path()).string();
    else if (e.is_directory())
      out[name] = "folder";
    else
      out[name] = "file: " + readHostFile(e.path());
  }
  return out;
}

size_t postedCount() { return darwin_notify::posted().size(); }

std::vector<std::string> postedSince(size_t from) {
  auto all = darwin_notify::posted();
  return std::vector<std::string>(all.begin() + static_cast<long>(std::min(from, all.size())), all.end());
}

void resetProcessState() { process_state::reset(); }

void ProcessStateTest::SetUp() { resetProcessState(); }

void ProcessStateTest::TearDown() {
  main_loop::runUntilIdle();
  resetProcessState();
}

void DeviceRootTest::SetUp() {
  ProcessStateTest::SetUp();
  tempFolder_ = device_fs::makeTemporaryFolder("velloway-test");
  root_ = tempFolder_ / "root";
  outside_ = tempFolder_ / "outside";
  fs::create_directories(outside_);
  device_fs::useRoot(root_);
}

void DeviceRootTest::plantLink(const std::string& devicePath, const fs::path& target) const {
  fs::path at = root_ / fs::path(devicePath).relative_path();
  fs::remove_all(at);
  fs::create_directories(at.parent_path());
  fs::create_symlink(target, at);
}

void DeviceRootTest::TearDown() {
  ProcessStateTest::TearDown();
  std::error_code ec;
  fs::remove_all(tempFolder_, ec);
}

}  // namespace test_support
