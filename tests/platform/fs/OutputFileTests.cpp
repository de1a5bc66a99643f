// Files written at a user's request (render, mail-save): a regular file or a new name is
// written whole; a FIFO, a device, a socket or a folder is refused at once and left as it was,
// never opened.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/fs/DeviceRoot.hpp"
#include "platform/fs/TemporaryFolder.hpp"
#include "tests/support/DeviceRootTest.hpp"

namespace fs = std::filesystem;
using test_support::bytesOf;

namespace {

class OutputFiles : public ::testing::Test {
 protected:
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

  // The message of the refusal, or "" when the write went through.
  std::string refusal(const fs::path& path, const std::string& text = "picture") {
    try {
      device_fs::writeOutputFile(path, bytesOf(text));
    } catch (const std::runtime_error& e) {
      return e.what();
    }
    return "";
  }

  // Everything in the folder but the named entries: leftovers of a write.
  size_t othersInFolder(std::initializer_list<std::string> known) const {
    size_t others = 0;
    for (const auto& entry : fs::directory_iterator(folder_))
      others += std::find(known.begin(), known.end(), entry.path().filename().string()) == known.end();
    return others;
  }

  fs::path folder_ = device_fs::makeTemporaryFolder("velloway-output");
};

TEST_F(OutputFiles, ANewNameOrARegularFileIsWrittenWholeAndALinkIsWrittenThrough) {
  const fs::path screen = folder_ / "screen.png";
  EXPECT_EQ(refusal(screen, "first"), "");
  EXPECT_EQ(test_support::readHostFile(screen), "first");
  EXPECT_EQ(refusal(screen, "second, longer"), "");
  EXPECT_EQ(test_support::readHostFile(screen), "second, longer");

  // A link to a regular file: the file it leads to is replaced, the link stays.
  fs::create_symlink("screen.png", folder_ / "latest.png");
  EXPECT_EQ(refusal(folder_ / "latest.png", "through the link"), "");
  EXPECT_TRUE(fs::is_symlink(folder_ / "latest.png"));
  EXPECT_EQ(test_support::readHostFile(screen), "through the link");
  EXPECT_EQ(othersInFolder({"screen.png", "latest.png"}), 0u) << "a temporary file was left";
}

TEST_F(OutputFiles, AFifoIsRefusedWithoutBeingOpened) {
  const fs::path fifo = folder_ / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A reader that never blocks: should the write open the FIFO, its bytes would show here
  // instead of the test hanging.
  int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  std::string why = refusal(fifo);
  EXPECT_NE(why.find("'" + fifo.string() + "'"), std::string::npos) << why;
  EXPECT_NE(why.find("is a FIFO"), std::string::npos) << why;
  char byte;
  EXPECT_EQ(::read(reader, &byte, 1), 0) << "the FIFO was written to";
  ::close(reader);
  EXPECT_TRUE(fs::is_fifo(fifo)) << "the FIFO was replaced";

  // The same through a link, which stays.
  fs::create_symlink("fifo", folder_ / "link");
  EXPECT_NE(refusal(folder_ / "link").find("is a FIFO"), std::string::npos);
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_EQ(othersInFolder({"fifo", "link"}), 0u);
}

TEST_F(OutputFiles, ADeviceASocketAndAFolderAreRefusedAndLeftAsTheyWere) {
  // The null device, made here so that nothing of the machine's own is at stake.
  const fs::path device = folder_ / "null";
  if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    EXPECT_NE(refusal(device).find("is a device"), std::string::npos);
    EXPECT_TRUE(fs::is_character_file(device));
  }

  const fs::path socketPath = folder_ / "socket";
  int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_NE(refusal(socketPath).find("is a socket"), std::string::npos);
  EXPECT_TRUE(fs::is_socket(socketPath));
  ::close(listener);

  const fs::path sub = folder_ / "pictures";
  fs::create_directory(sub);
  for (const fs::path& path : {sub, fs::path(sub.string() + "/")}) {
    std::string why = refusal(path);
    EXPECT_NE(why.find("is a folder"), std::string::npos) << path << ": " << why;
  }
  EXPECT_TRUE(fs::is_empty(sub));
}

TEST_F(OutputFiles, AMissingFolderIsAnErrorAndIsNotMade) {
  std::string why = refusal(folder_ / "missing" / "screen.png");
  EXPECT_NE(why.find("there is no folder " + (folder_ / "missing").string()), std::string::npos) << why;
  EXPECT_FALSE(fs::exists(folder_ / "missing"));
}

}  // namespace
