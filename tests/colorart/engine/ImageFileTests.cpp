// The analysis's image files: each reason a file is not read, in the words the command and the
// C library report.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "colorart/engine/Artwork.hpp"
#include "platform/fs/TemporaryFolder.hpp"

namespace fs = std::filesystem;

namespace {

class ImageFileTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = device_fs::makeTemporaryFolder("velloway-image-file"); }
  void TearDown() override { fs::remove_all(folder_); }

  // The error of reading path with the bound; empty when it was read.
  static std::string errorOf(const fs::path& path, int64_t maxBytes = colorart::kMaxImageFileBytes) {
    std::vector<uint8_t> bytes;
    std::string error;
    return colorart::readImageFile(path, bytes, error, maxBytes) ? std::string() : error;
  }

  fs::path folder_;
};

TEST_F(ImageFileTest, ReadsAFileWithinTheBound) {
  std::ofstream(folder_ / "cover.png") << "not really a PNG";
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(colorart::readImageFile(folder_ / "cover.png", bytes, error));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "not really a PNG");
  EXPECT_TRUE(error.empty());
}

TEST_F(ImageFileTest, SaysWhyAFileIsNotRead) {
  EXPECT_EQ(errorOf(folder_ / "missing.png"), "cannot read: No such file or directory");
  EXPECT_EQ(errorOf(folder_), "cannot read: Is a directory");
  const fs::path fifo = folder_ / "fifo.png";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  EXPECT_EQ(errorOf(fifo), "cannot read: not a regular file");
  const fs::path big = folder_ / "big.png";
  std::ofstream(big) << std::string((1 << 20) + 1, 'x');
  EXPECT_EQ(errorOf(big, 1 << 20), "cannot read: larger than 1 MB");
  EXPECT_EQ(errorOf(big, (1 << 20) + 1), "");
}

}  // namespace
