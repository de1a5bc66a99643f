// The device root: the phone's links, confinement, what reads as missing.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fs/DeviceRoot.hpp"
#include "platform/plist/PropertyList.hpp"
#include "tests/support/DeviceRootTest.hpp"

namespace fs = std::filesystem;

using test_support::bytesOf;
using test_support::DeviceRootTest;

TEST_F(DeviceRootTest, ThePhonesThreeSpellingsAreOneFile) {
  ASSERT_TRUE(device_fs::writeFileAtomically("/User/Library/Preferences/com.dovrane.velloway.plist", bytesOf("one")));
  EXPECT_EQ(device_fs::readFile("/private/var/mobile/Library/Preferences/com.dovrane.velloway.plist"), bytesOf("one"));
  EXPECT_EQ(device_fs::readFile("/var/mobile//Library/Preferences/com.dovrane.velloway.plist"), bytesOf("one"));
  // The write replaced through the link: the real folder holds the file, no temporary left.
  size_t files = 0;
  for (auto& e : fs::directory_iterator(root_ / "private/var/mobile/Library/Preferences")) files += e.is_regular_file();
  EXPECT_EQ(files, 1u);
}

TEST_F(DeviceRootTest, PathsNeverClimbAboveTheRoot) {
  EXPECT_EQ(device_fs::hostPath("/../../etc/passwd"), root_ / "etc/passwd");
  // tmp is the phone's link to private/var/tmp; ".." applies after it is followed, as on the phone.
  EXPECT_EQ(device_fs::hostPath("tmp/./a/../b"), root_ / "private/var/tmp/b");
}

TEST_F(DeviceRootTest, FoldersAndMissingFilesReadAsMissing) {
  EXPECT_FALSE(device_fs::readFile("/private/var/mobile"));
  EXPECT_FALSE(device_fs::readFile("/no/such/file"));
  EXPECT_FALSE(plist::dictionaryWithContentsOfFile("/private/var/mobile/Library/Preferences"));
}
