// A device root with planted links: every read bounded, every path confined, every failure read
// as "missing" as the product documents; the same with the folder walk instead of openat2.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <iterator>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "platform/fs/DeviceRoot.hpp"
#include "platform/plist/PropertyList.hpp"
#include "tests/support/DeviceRootTest.hpp"

namespace fs = std::filesystem;
using test_support::bytesOf;

// A device root with a secret of the host's beside it; device paths opened with openat2, or
// by the folder walk that stands in for it where the kernel lacks it.
class ConfinedRootTest : public test_support::DeviceRootTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    DeviceRootTest::SetUp();
    device_fs::openByWalkOnly(GetParam());
    secret_ = outside_ / "secret";
    std::ofstream(secret_) << "host secret";
  }
  void TearDown() override {
    device_fs::openByWalkOnly(false);
    DeviceRootTest::TearDown();
  }

  fs::path secret_;
  const std::string settings_ = "/var/mobile/Library/Preferences/com.dovrane.velloway.plist";
};

TEST_P(ConfinedRootTest, ALinkAtTheFileReadsInsideTheRoot) {
  plantLink("/private/var/mobile/Library/Preferences/com.dovrane.velloway.plist", secret_);
  EXPECT_FALSE(device_fs::readFile(settings_));
  EXPECT_FALSE(device_fs::readFileNoLink(settings_));
  EXPECT_FALSE(plist::dictionaryWithContentsOfFile(settings_, plist::kPreferencesLimits));
  // The same absolute target, taken inside the root, is read there; without a link it is not.
  fs::create_directories(root_ / secret_.relative_path().parent_path());
  std::ofstream(root_ / secret_.relative_path()) << "inside";
  EXPECT_EQ(device_fs::readFile(settings_), bytesOf("inside"));
  EXPECT_FALSE(device_fs::readFileNoLink(settings_));
  // A relative link climbing out stops at the root.
  plantLink("/private/var/mobile/Library/Preferences/com.dovrane.velloway.plist",
            "../../../../../../../../../.." / secret_.relative_path());
  EXPECT_EQ(device_fs::readFile(settings_), bytesOf("inside"));
  EXPECT_EQ(device_fs::hostPath("/var/../../../x"), root_ / "x");
}

TEST_P(ConfinedRootTest, FolderLinksPointingOutKeepWritesInside) {
  // var pointing to an outside folder, the Preferences folder linked out, tmp linked out.
  fs::create_directories(outside_ / "var/mobile/Library/Preferences");
  plantLink("/var", outside_ / "var");
  ASSERT_TRUE(device_fs::writeFileAtomically(settings_, bytesOf("new")));
  EXPECT_EQ(device_fs::readFile(settings_), bytesOf("new"));
  EXPECT_TRUE(
      fs::is_regular_file(root_ / outside_.relative_path() / "var/mobile/Library/Preferences/com.dovrane.velloway.plist"));
  plantLink("/var", "private/var");
  plantLink("/private/var/mobile/Library/Preferences", outside_);
  ASSERT_TRUE(device_fs::writeFileAtomically(settings_, bytesOf("newer")));
  EXPECT_TRUE(plist::writeToFile({{"a", 1}}, "/User/Library/Preferences/other.plist"));
  // Relative this time: on the host it climbs to the outside folder, inside the root it stops at
  // the root.
  plantLink("/private/var/tmp", "../../../../outside");
  fs::create_directories(root_ / "outside");
  int fd = device_fs::openInRoot("/tmp/dpkgl.log", O_RDWR | O_CREAT | O_NOFOLLOW, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "list", 4), 4);
  ::close(fd);
  EXPECT_TRUE(fs::is_regular_file(root_ / "outside/dpkgl.log"));
  EXPECT_TRUE(device_fs::removeFile("/tmp/dpkgl.log"));
  // Nothing outside was made, changed or removed.
  EXPECT_EQ(test_support::filesUnder(outside_), (std::map<std::string, std::string>{{"secret", "host secret"}}));
  // Folders opened for locking are inside too.
  int folder = device_fs::openFolder("/var/mobile/Library/Preferences/", true);
  ASSERT_GE(folder, 0);
  struct stat inside {
  }, out{};
  ::fstat(folder, &inside);
  ::stat(outside_.c_str(), &out);
  EXPECT_FALSE(inside.st_ino == out.st_ino && inside.st_dev == out.st_dev);
  ::close(folder);
}

TEST_P(ConfinedRootTest, SpecialAndOversizedFilesReadAsMissing) {
  fs::path fifo = root_ / "private/var/mobile/Library/Preferences/com.dovrane.velloway.plist";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  EXPECT_FALSE(device_fs::readFile(settings_));  // would block forever if opened for a plain read
  EXPECT_FALSE(device_fs::readHostFile(fifo));
  EXPECT_FALSE(device_fs::readHostFile(root_));
  fs::remove(fifo);
  fs::create_directory(fifo);
  EXPECT_FALSE(plist::dictionaryWithContentsOfFile(settings_, plist::kPreferencesLimits));
  EXPECT_FALSE(device_fs::writeFileAtomically(settings_, bytesOf("x")));
  fs::remove(fifo);
  device_fs::writeFileAtomically(settings_, std::vector<uint8_t>(4096, 'x'));
  EXPECT_FALSE(device_fs::readFile(settings_, 4095));
  EXPECT_TRUE(device_fs::readFile(settings_, 4096));
  EXPECT_FALSE(device_fs::readHostFile(fifo, 100));
  // /proc files say they are empty and may block or run on: never more than the bound.
  EXPECT_FALSE(device_fs::readHostFile("/proc/self/pagemap", 1 << 20));
}

TEST_P(ConfinedRootTest, LeftoverTemporariesOfDeadWritersAreRemoved) {
  pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  ::waitpid(child, nullptr, 0);  // its pid now names no process
  fs::path folder = root_ / "private/var/mobile/Library/Preferences";
  auto name = [&](pid_t pid, const std::string& rest) { return ".com.dovrane.velloway.plist." + std::to_string(pid) + rest; };
  for (const auto& n : {name(child, ".0.123.tmp"), name(child, ".x.123.tmp"), name(::getppid(), ".0.123.tmp"),
                        std::string(".other.plist.") + std::to_string(child) + ".0.1.tmp"})
    std::ofstream(folder / n) << "partial";
  fs::create_symlink(secret_, folder / name(child, ".1.5.tmp"));
  ASSERT_TRUE(device_fs::writeFileAtomically(settings_, bytesOf("whole")));
  std::set<std::string> left;
  for (auto& e : fs::directory_iterator(folder)) left.insert(e.path().filename().string());
  // Only the dead writer's own regular temporary went; a live writer's, other names and the
  // link stay.
  EXPECT_EQ(left,
            (std::set<std::string>{"com.dovrane.velloway.plist", name(child, ".x.123.tmp"), name(::getppid(), ".0.123.tmp"),
                                   std::string(".other.plist.") + std::to_string(child) + ".0.1.tmp", name(child, ".1.5.tmp")}));
  EXPECT_TRUE(fs::exists(secret_));
}

TEST_P(ConfinedRootTest, WritesKeepTheirSizeInProportion) {
  // Every level indents each line below it once more in XML: 120 levels make ~80 KB of tabs.
  plist::Value deep(plist::Dictionary{{"leaf", true}});
  for (int i = 0; i < 120; ++i)
    deep = plist::Value(plist::Array{deep, plist::Value(plist::Dictionary{{"k", i}, {"l", "x"}, {"m", true}})});
  plist::Dictionary settings{{"nested", deep}, {"isEnabled", false}};
  ASSERT_TRUE(plist::writeToFile(settings, settings_));
  auto written = device_fs::readFile(settings_);
  ASSERT_TRUE(written);
  auto xml = plist::serialize(plist::Value(settings));
  EXPECT_LT(written->size(), xml.size());
  auto back = plist::dictionaryWithContentsOfFile(settings_, plist::kPreferencesLimits);
  ASSERT_TRUE(back);
  EXPECT_EQ(plist::Value(*back), plist::Value(settings));
  // An ordinary settings file stays XML.
  ASSERT_TRUE(plist::writeToFile({{"isEnabled", true}}, settings_));
  written = device_fs::readFile(settings_);
  ASSERT_TRUE(written);
  EXPECT_EQ(std::string(written->begin(), written->begin() + 5), "<?xml");
}

TEST_P(ConfinedRootTest, AnExistingRootWithLinksAmongItsFoldersIsCompletedInside) {
  // A root made elsewhere: the phone's own links, and folders linked out of it, absolutely and
  // relatively (climbing to the outside folder on the host); the phone's folders are missing.
  fs::path existing = tempFolder_ / "existing";
  fs::create_directories(existing / "private/var/mobile");
  fs::create_symlink("private/var", existing / "var");
  fs::create_symlink("var/mobile", existing / "User");
  fs::create_symlink(outside_, existing / "Library");
  fs::create_symlink("../../../../outside", existing / "private/var/mobile/Library");
  const auto before = test_support::treeUnder(outside_);
  device_fs::useRoot(existing);
  EXPECT_EQ(test_support::treeUnder(outside_), before) << "folders were made outside";
  for (const char* folder :
       {"/Library/PreferenceBundles", "/Library/PreferenceLoader/Preferences", "/User/Library/Preferences", "/tmp"})
    EXPECT_TRUE(device_fs::isDirectory(folder)) << folder;
  EXPECT_TRUE(fs::is_directory(existing / outside_.relative_path() / "PreferenceBundles"));
  // The phone's links stay as they were and still make one file of the three spellings.
  EXPECT_EQ(fs::read_symlink(existing / "var"), "private/var");
  EXPECT_EQ(fs::read_symlink(existing / "tmp"), "private/var/tmp");
  ASSERT_TRUE(device_fs::writeFileAtomically("/User/Library/Preferences/com.dovrane.velloway.plist", bytesOf("one")));
  EXPECT_EQ(device_fs::readFile("/private/var/mobile/Library/Preferences/com.dovrane.velloway.plist"), bytesOf("one"));
  EXPECT_EQ(device_fs::readFile(settings_), bytesOf("one"));
  EXPECT_EQ(test_support::treeUnder(outside_), before);
}

INSTANTIATE_TEST_SUITE_P(Opening, ConfinedRootTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "FolderWalk" : "Openat2"; });

// A kernel without openat2 (before 5.6), or a sandbox that refuses it: a child process whose
// seccomp filter answers the call with the error reads and writes as before, inside the root.
class OpenWithoutOpenat2 : public test_support::DeviceRootTest, public ::testing::WithParamInterface<int> {};

bool refuseOpenat2(int error) {
  sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat2, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (static_cast<uint32_t>(error) & SECCOMP_RET_DATA)),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
  return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// In the child: each failed check sets one bit of the exit status.
int checkOpeningWithoutOpenat2(const fs::path& root, const fs::path& secret, int error) {
  if (!refuseOpenat2(error)) return 0x80;
  const std::string settings = "/var/mobile/Library/Preferences/com.dovrane.velloway.plist";
  int failed = 0;
  if (device_fs::opensByWalk()) failed |= 1;  // not before the first refusal
  if (!device_fs::writeFileAtomically(settings, bytesOf("inside")) || device_fs::readFile(settings) != bytesOf("inside"))
    failed |= 2;
  if (!device_fs::opensByWalk()) failed |= 4;
  fs::remove(root / "private/var/mobile/Library/Preferences/com.dovrane.velloway.plist");
  fs::create_symlink(secret, root / "private/var/mobile/Library/Preferences/com.dovrane.velloway.plist");
  if (device_fs::readFile(settings) || device_fs::isRegularFile(settings)) failed |= 8;
  int fd = device_fs::openInRoot("/tmp/dpkgl.log", O_RDWR | O_CREAT | O_NOFOLLOW, 0644);
  if (fd < 0 || !fs::is_regular_file(root / "private/var/tmp/dpkgl.log")) failed |= 16;
  if (fd >= 0) ::close(fd);
  return failed;
}

TEST_P(OpenWithoutOpenat2, TheFirstRefusalSwitchesToTheFolderWalk) {
  const fs::path secret = outside_ / "secret";
  std::ofstream(secret) << "host secret";
  ASSERT_FALSE(device_fs::opensByWalk());
  pid_t child = ::fork();
  if (child == 0) ::_exit(checkOpeningWithoutOpenat2(root_, secret, GetParam()));
  ASSERT_GT(child, 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 0x80) GTEST_SKIP() << "no seccomp filter can be installed here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "failed checks (bits): " << WEXITSTATUS(status);
  EXPECT_EQ(test_support::filesUnder(outside_), (std::map<std::string, std::string>{{"secret", "host secret"}}));
  EXPECT_FALSE(device_fs::opensByWalk()) << "the parent still calls openat2";
}

INSTANTIATE_TEST_SUITE_P(Refusals, OpenWithoutOpenat2, ::testing::Values(ENOSYS, EPERM),
                         [](const ::testing::TestParamInfo<int>& info) { return info.param == ENOSYS ? "ENOSYS" : "EPERM"; });
