// The settings file under writers that die at any moment: a child process stores values through
// the pane's value store and is killed (SIGKILL) at random moments; after each kill the file
// parses and holds the old or the new value, and leftovers of the dead writer are removed by
// the next one. Two writer processes at once never lose each other's keys.
// VELLOWAY_CRASH_KILLS sets the number of kills (200 by default; `make fuzz` runs more).
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fmt/format.h>

#include <chrono>
#include <iostream>
#include <iterator>
#include <random>
#include <sstream>
#include <thread>

#include "tests/support/ChildProcess.hpp"
#include "tests/support/SettingsHostTest.hpp"

using namespace test_support;

namespace {

class CrashSafetyTest : public SettingsHostTest {
 protected:
  void SetUp() override {
    SettingsHostTest::SetUp();
    page_ = openRoot();
    ASSERT_TRUE(page_);
  }
  PSSpecifierRef valueRow(const std::string& key) {
    return PSSpecifier::specifierWithDictionary({{"cell", "PSSwitchCell"}, {"key", key}}, page_);
  }
  // A child that stores `count` values (0 = until killed) under each of its keys in turn.
  pid_t writer(std::vector<std::string> keys, int64_t first, int count) {
    pid_t pid = ::fork();
    if (pid != 0) return pid;
    for (int64_t i = first; count == 0 || i < first + count; ++i)
      for (const auto& key : keys) page_->setPreferenceValue(plist::Value(i), valueRow(key));
    ::_exit(0);
  }
  static void waitForValueAbove(int64_t last) {
    for (int i = 0; i < 2000; ++i) {
      auto bytes = device_fs::readFile(kSettingsPath);
      auto value = bytes ? plist::parse(*bytes) : std::nullopt;
      if (value && value->isDictionary()) {
        const auto& counter = (*value)["counter"];
        if (counter.isInteger() && counter.integerValue() > last) return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  size_t leftovers() const {
    size_t n = 0;
    for (auto& e : std::filesystem::directory_iterator(device_fs::hostPath(kSettingsPath).parent_path()))
      n += e.path().filename().string().front() == '.';
    return n;
  }
  PSListControllerRef page_;
};

TEST_F(CrashSafetyTest, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
  const char* env = std::getenv("VELLOWAY_CRASH_KILLS");
  const int kills = env ? std::max(1, std::atoi(env)) : 200;
  page_->setPreferenceValue(plist::Value("kept"), valueRow("foreign"));
  std::mt19937 random(12345);
  int64_t last = -1;  // the counter value the file held after the previous kill
  int torn = 0, lost = 0, killedWithLeftovers = 0, advanced = 0;
  size_t mostLeft = 0;  // temporaries at once: each writer clears the dead ones' before it writes
  for (int k = 0; k < kills; ++k) {
    // Each writer starts where the file stands, so any value below `last` would be an old file
    // coming back, and one far ahead cannot have been written.
    pid_t pid = writer({"counter"}, last + 1, 0);
    ASSERT_GT(pid, 0);
    // Every other writer is first seen to store a value (bounded: on a loaded machine a writer
    // may not run at all within the random delay), so that the kills land in the writes that
    // follow as well as in the first one.
    if (k % 2 == 0) waitForValueAbove(last);
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 8000)(random)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    auto bytes = device_fs::readFile(kSettingsPath);
    auto value = bytes ? plist::parse(*bytes) : std::nullopt;
    if (!value || !value->isDictionary()) {
      ++torn;
      continue;
    }
    if ((*value)["foreign"] != plist::Value("kept")) ++lost;
    const auto& counter = (*value)["counter"];
    if (!counter.isNil()) {
      if (!counter.isInteger() || counter.integerValue() < last)
        ++torn;
      else if (counter.integerValue() > last)
        ++advanced, last = counter.integerValue();
    }
    killedWithLeftovers += leftovers() > 0;
    mostLeft = std::max(mostLeft, leftovers());
  }
  // The next writer removes what the dead ones left.
  page_->setPreferenceValue(plist::Value(true), valueRow("after"));
  std::cout << "[ crash-safety ] " << kills << " kills, " << torn << " torn, " << lost << " lost, " << advanced
            << " advanced the value, " << killedWithLeftovers << " left a temporary file (at most " << mostLeft << " at once), "
            << leftovers() << " left after the next write\n";
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(leftovers(), 0u);
  EXPECT_LE(mostLeft, 1u);
  EXPECT_GT(advanced, 0) << "the writers never got a value stored: the test tests nothing";
}

// The writer of the test below: this test binary run again with VLW_CRASH_WRITER set to
// "FIRST COUNT KEY..." stores COUNT values from FIRST under each key through the pane of the
// device root in VLW_CRASH_ROOT. A fresh process (not a fork of a threaded one, whose copied
// locks may be held forever) is the writer of another program.
TEST(CrashSafetyWriter, StoresThroughThePaneWhenRunAsAWriter) {
  const char* spec = std::getenv("VLW_CRASH_WRITER");
  const char* root = std::getenv("VLW_CRASH_ROOT");
  if (!spec || !root) GTEST_SKIP() << "only run as the writer child of TwoWriterProcessesNeverLoseEachOthersKeys";
  device_fs::useRoot(root);
  SettingsHost host;
  host.openPane();
  auto page = host.topPage();
  ASSERT_TRUE(page);
  std::istringstream words(spec);
  int64_t first = 0, count = 0;
  words >> first >> count;
  std::vector<std::string> keys{std::istream_iterator<std::string>(words), {}};
  for (int64_t i = first; i < first + count; ++i)
    for (const auto& key : keys)
      page->setPreferenceValue(plist::Value(i),
                               PSSpecifier::specifierWithDictionary({{"cell", "PSSwitchCell"}, {"key", key}}, page));
}

TEST_F(CrashSafetyTest, TwoWriterProcessesNeverLoseEachOthersKeys) {
  constexpr int kStores = 12;
  auto spawnWriter = [&](const std::string& spec) {
    test_process::SpawnOptions options;
    options.environment = {"VLW_CRASH_WRITER=" + spec, "VLW_CRASH_ROOT=" + root_.string()};
    return test_process::spawn({"/proc/self/exe", "--gtest_filter=CrashSafetyWriter.*"}, options);
  };
  pid_t a = spawnWriter(fmt::format("0 {} a0 a1 a2", kStores));
  pid_t b = spawnWriter(fmt::format("100 {} b0 b1 b2", kStores));
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  for (pid_t pid : {a, b}) {
    // Bounded: a writer that never ends is a failure, not a hung suite.
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 1200 && (done = ::waitpid(pid, &status, WNOHANG)) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (done == 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      ADD_FAILURE() << "a writer did not finish within 60 s";
      continue;
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  auto file = settingsFile();
  ASSERT_TRUE(file);
  for (const char* key : {"a0", "a1", "a2"}) EXPECT_EQ((*file)[key], plist::Value(int64_t{kStores - 1})) << key;
  for (const char* key : {"b0", "b1", "b2"}) EXPECT_EQ((*file)[key], plist::Value(int64_t{100 + kStores - 1})) << key;
  EXPECT_EQ(leftovers(), 0u);
}

}  // namespace
