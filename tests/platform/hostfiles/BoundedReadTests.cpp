// Bounded reads of host files: the whole file within the bound, and for everything else no bytes
// and the reason, without ever waiting on a FIFO or reading past the bound.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/fs/TemporaryFolder.hpp"
#include "platform/hostfiles/BoundedRead.hpp"
#include "tests/support/DeviceRootTest.hpp"

namespace fs = std::filesystem;
using Reason = host_files::ReadFailure::Reason;

namespace {

class BoundedReadTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = device_fs::makeTemporaryFolder("velloway-bounded-read"); }
  void TearDown() override { fs::remove_all(folder_); }

  // The reason of a failed read (and a test failure when the read gave bytes).
  static host_files::ReadFailure failureOf(const fs::path& path, size_t maxBytes) {
    host_files::ReadFailure why{Reason::System, -1};
    EXPECT_FALSE(host_files::readFile(path, maxBytes, &why)) << path;
    return why;
  }

  fs::path folder_;
};

TEST_F(BoundedReadTest, ReadsAWholeFileUpToTheBound) {
  test_support::writeHostFile(folder_ / "four", "abcd");
  auto bytes = host_files::readFile(folder_ / "four", 4);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, test_support::bytesOf("abcd"));
  EXPECT_EQ(failureOf(folder_ / "four", 3).reason, Reason::TooLarge);
}

TEST_F(BoundedReadTest, SaysWhyAFileIsNotRead) {
  const auto missing = failureOf(folder_ / "missing", 100);
  EXPECT_EQ(missing.reason, Reason::System);
  EXPECT_EQ(missing.errorNumber, ENOENT);
  EXPECT_EQ(failureOf(folder_, 100).reason, Reason::Directory);
  const fs::path fifo = folder_ / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  EXPECT_EQ(failureOf(fifo, 100).reason, Reason::NotRegularFile);  // would block if opened for a plain read
}

TEST_F(BoundedReadTest, AFileThatSaysItIsEmptyIsStillReadWithTheBound) {
  // /proc files report size 0 and hold more: the bound holds while reading.
  EXPECT_EQ(failureOf("/proc/self/status", 16).reason, Reason::TooLarge);
  auto whole = host_files::readFile("/proc/self/status", 1 << 20);
  ASSERT_TRUE(whole);
  EXPECT_GT(whole->size(), 16u);
}

TEST_F(BoundedReadTest, AnOpenDescriptorIsReadFromWhereItStands) {
  test_support::writeHostFile(folder_ / "file", "0123456789");
  const int fd = ::open((folder_ / "file").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::lseek(fd, 4, SEEK_SET), 4);
  auto rest = host_files::readOpenFile(fd, 10);
  ::close(fd);
  ASSERT_TRUE(rest);
  EXPECT_EQ(*rest, test_support::bytesOf("456789"));
  host_files::ReadFailure why;
  EXPECT_FALSE(host_files::readOpenFile(-1, 10, &why));
  EXPECT_EQ(why.reason, Reason::System);
  EXPECT_EQ(why.errorNumber, EBADF);
}

}  // namespace
