// Hostile property lists and a device root with planted links: every read bounded, every
// path confined, every failure read as "missing" as the product documents.
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
#include "platform/text/Fonts.hpp"
#include "platform/text/TextMetrics.hpp"
#include "tests/support/BinaryPlist.hpp"
#include "tests/support/DeviceRootTest.hpp"

namespace fs = std::filesystem;
using test_plist::BinaryPlist;
using test_support::bytesOf;

namespace {

std::string xmlDict(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + body + "</dict></plist>\n";
}

size_t depthOf(const plist::Value& v) {
  size_t depth = 0;
  const plist::Value* at = &v;
  while (at->isArray() && !at->array()->empty()) {
    ++depth;
    at = &at->array()->front();
  }
  return depth + (at->isArray() ? 1 : 0);
}

}  // namespace

TEST(HostilePropertyList, NestingBeyondTheLimitIsNoListInEitherForm) {
  // Deep enough to overflow the stack of a recursive reader, in both forms.
  EXPECT_FALSE(plist::parse(bytesOf(test_plist::nestedXml(100'000))));
  EXPECT_FALSE(plist::parse(test_plist::nestedBinary(100'000)));
  // At the limit it reads, one past it does not.
  const size_t limit = plist::kResourceLimits.maxDepth;
  for (const auto& bytes : {bytesOf(test_plist::nestedXml(limit)), test_plist::nestedBinary(limit - 1)}) {
    auto v = plist::parse(bytes);
    ASSERT_TRUE(v);
    EXPECT_EQ(depthOf(*v), limit);
  }
  EXPECT_FALSE(plist::parse(bytesOf(test_plist::nestedXml(limit + 1))));
  EXPECT_FALSE(plist::parse(test_plist::nestedBinary(limit)));
}

TEST(HostilePropertyList, SharedReferencesCountAsExpanded) {
  // 24 levels of "hold the next one twice": a few hundred bytes standing for 2^25 values.
  EXPECT_FALSE(plist::parse(test_plist::expandingBinary(24)));
  // 2^10 expanded values are fine and come out expanded.
  auto small = plist::parse(test_plist::expandingBinary(10));
  ASSERT_TRUE(small);
  EXPECT_EQ(depthOf(*small), 10u);
  // The node limit is counted while converting: a list just over it is refused.
  plist::Limits tight;
  tight.maxNodes = 1000;
  EXPECT_FALSE(plist::parse(test_plist::expandingBinary(10), tight));
  tight.maxNodes = 1u << 12;
  EXPECT_TRUE(plist::parse(test_plist::expandingBinary(10), tight));
}

TEST(HostilePropertyList, CyclesAndBadReferencesAreNoList) {
  BinaryPlist self;
  self.array({0});
  EXPECT_FALSE(plist::parse(self.bytes()));
  BinaryPlist loop;
  loop.array({1});
  loop.array({0});
  EXPECT_FALSE(plist::parse(loop.bytes()));
  BinaryPlist dangling;
  dangling.array({7});
  EXPECT_FALSE(plist::parse(dangling.bytes()));
  auto cut = test_plist::nestedBinary(3);
  cut.resize(cut.size() - 5);
  EXPECT_FALSE(plist::parse(cut));
}

TEST(HostilePropertyList, NulBytesNeverReachAnAssertingReader) {
  // A binary string value with a NUL reads (this libplist keeps what comes before it).
  BinaryPlist b;
  b.dict({1}, {2});
  b.string("isEnabled");
  b.string(std::string("YES\0tail", 8));
  auto v = plist::parse(b.bytes());
  ASSERT_TRUE(v);
  ASSERT_TRUE((*v)["isEnabled"].isString());
  EXPECT_EQ((*v)["isEnabled"].string()->substr(0, 3), "YES");
  EXPECT_TRUE((*v)["isEnabled"].boolValue());
  // A key with a NUL, and XML with a NUL raw or as a reference: not a property list.
  BinaryPlist key;
  key.dict({1}, {2});
  key.string(std::string("is\0Enabled", 10));
  key.boolean(true);
  EXPECT_FALSE(plist::parse(key.bytes()));
  EXPECT_FALSE(plist::parse(bytesOf(xmlDict(std::string("<key>isEnabled</key><string>a\0b</string>", 40)))));
  EXPECT_FALSE(plist::parse(bytesOf(xmlDict("<key>isEnabled</key><string>a&#0;b</string>"))));
  EXPECT_FALSE(plist::parse(bytesOf(xmlDict("<key>isEnabled</key><string>a&#x000;b</string>"))));
  EXPECT_TRUE(plist::parse(bytesOf(xmlDict("<key>isEnabled</key><string>a&#10;b</string>"))));
}

TEST(HostilePropertyList, LargeFlatListsConvertWhole) {
  // 64k items: converted through libplist's iterators, each once.
  BinaryPlist b;
  std::vector<uint32_t> refs(65'536, 1);
  b.array(refs);
  b.string("item");
  auto v = plist::parse(b.bytes());
  ASSERT_TRUE(v && v->isArray());
  EXPECT_EQ(v->array()->size(), 65'536u);
  // Over the preference file limits, the same list is no list.
  EXPECT_FALSE(plist::parse(b.bytes(), plist::kPreferencesLimits));
  // And a file over the size cap is not parsed at all.
  std::string big = xmlDict("<key>a</key><string>" + std::string(plist::kPreferencesLimits.maxFileBytes, 'x') + "</string>");
  EXPECT_FALSE(plist::parse(bytesOf(big), plist::kPreferencesLimits));
  EXPECT_TRUE(plist::parse(bytesOf(big)));
}

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

TEST(HostileText, LabelsThatAreNotUtf8AreRepairedBeforePango) {
  // Each bad byte (and a NUL) is measured as the replacement character it becomes.
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(measureText("Helvetica", 17, "caf\xE9 \xFF"), measureText("Helvetica", 17, "caf" + replacement + " " + replacement));
  EXPECT_EQ(measureText("Helvetica", 17, std::string("a\0b", 3)), measureText("Helvetica", 17, "a" + replacement + "b"));
  EXPECT_GT(measureText("Helvetica", 17, "\xC3").width, 0);
}

TEST(HostileText, OnlyWhatAScreenCouldShowIsLaidOut) {
  // A megabyte-long word would take Pango minutes to wrap; what is laid out is its first part.
  std::string word(1 << 20, 'x');
  EXPECT_EQ(measureWrappedText("Helvetica", 17, word, 300),
            measureWrappedText("Helvetica", 17, word.substr(0, fonts::kMaxLayoutBytes), 300));
  // Cut between characters, never inside one.
  std::string wide;
  while (wide.size() < fonts::kMaxLayoutBytes + 8) wide += "\xE2\x82\xAC";  // three bytes each
  EXPECT_EQ(measureText("Helvetica", 17, wide), measureText("Helvetica", 17, wide.substr(0, fonts::kMaxLayoutBytes / 3 * 3)));
}

TEST(HostilePropertyList, WhatIsWrittenReadsBackInEitherFormWhateverTheStrings) {
  // Found by fuzzing: libplist's binary writer made an unreadable file of a string that is not
  // UTF-8. Such strings and keys are written repaired.
  plist::Dictionary d{{"caf\xE9 key", "caf\xE9"}, {"isEnabled", true}};
  for (auto format : {plist::Format::Xml, plist::Format::Binary}) {
    auto back = plist::parse(plist::serialize(plist::Value(d), format));
    ASSERT_TRUE(back) << (format == plist::Format::Xml ? "xml" : "binary");
    EXPECT_EQ(*(*back)["caf\xEF\xBF\xBD key"].string(), "caf\xEF\xBF\xBD");
    EXPECT_TRUE((*back)["isEnabled"].boolValue());
  }
}

TEST(HostilePropertyList, DatesBeyondWhatLibplistKeepsAreWrittenAsTheNearestItCan) {
  // Found by fuzzing: a binary list's date may be any double; writing it back converted it to a
  // 32-bit integer out of range (undefined behaviour).
  for (double seconds : {1e300, -1e300, std::nan(""), 5e9}) {
    auto back =
        plist::parse(plist::serialize(plist::Value(plist::Dictionary{{"d", plist::Date{seconds}}}), plist::Format::Binary));
    ASSERT_TRUE(back);
    ASSERT_TRUE((*back)["d"].isDate());
  }
}
