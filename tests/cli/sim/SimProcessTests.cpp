// The simulator as a process and as a session: failed writes stop the script before anything is
// stored or posted, and a terminated `velloway sim` removes the temporary device root it made,
// even when the signal comes in the middle of a write.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/sim/SimSession.hpp"
#include "platform/corefoundation/CFNotificationCenter.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/fs/TemporaryFolder.hpp"
#include "tests/support/ChildProcess.hpp"
#include "tests/support/DeviceRootTest.hpp"

namespace fs = std::filesystem;

namespace {

const char* const kSettings = "private/var/mobile/Library/Preferences/com.dovrane.velloway.plist";

class SimWrites : public test_support::DeviceRootTest {};

TEST_F(SimWrites, AFailedWriteIsAnErrorAndPostsNothing) {
  const fs::path& root = root_;
  fs::create_directories(root / kSettings);  // a folder where the file belongs
  std::ostringstream out;
  {
    SimSession session(out, root.string());
    size_t before = darwin_notify::posted().size();
    EXPECT_THROW(session.run({"prefs", "set", "isEnabled", "false"}), SimError);
    session.run({"settings", "open"});
    EXPECT_THROW(session.run({"settings", "set", "isEnabled", "false"}), SimError);
    EXPECT_EQ(darwin_notify::posted().size(), before);
    EXPECT_TRUE(fs::is_directory(root / kSettings));
    // Once the file can be written, the same lines store and post.
    fs::remove(root / kSettings);
    session.run({"prefs", "set", "isEnabled", "false"});
    session.run({"settings", "set", "isEnabled", "true"});
    EXPECT_EQ(darwin_notify::posted().size(), before + 2);
  }
}

// Waits (bounded, for a loaded machine) until the file exists.
bool appears(const fs::path& file) {
  for (int i = 0; i < 1200; ++i) {
    if (fs::exists(file)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return false;
}

// What is left in a folder, for a failure message.
std::string listing(const fs::path& folder) {
  std::string out;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
    out += "\n  " + fs::relative(it->path(), folder).string();
  return out;
}

bool stillRunning(pid_t pid) {
  int status = 0;
  return ::waitpid(pid, &status, WNOHANG) == 0;
}

// `velloway sim` with no root of its own, its script on a pipe that stays open, in a private
// temporary folder (so the root it makes is the only thing there), with the write pause point.
struct SimChild {
  pid_t pid = -1;
  int script = -1;
};

SimChild spawnSim(const fs::path& temp, const fs::path& pauses) {
  int input[2];
  // Close-on-exec: the child keeps only the read end, as its standard input.
  if (::pipe2(input, O_CLOEXEC) != 0) return {};
  test_process::SpawnOptions options;
  options.input = test_process::Stream::fromDescriptor(input[0]);
  options.output = test_process::Stream::null();
  options.environment = {"TMPDIR=" + temp.string(), "VELLOWAY_TEST_PAUSE_DIR=" + pauses.string()};
  SimChild child;
  child.pid = test_process::spawn({VELLOWAY_BINARY, "sim"}, options);
  ::close(input[0]);
  child.script = input[1];
  return child;
}

// The child ended as SIGTERM ends it, and its temporary folder is empty; then both folders go.
void expectEndedBySigtermLeavingNothing(const SimChild& child, const fs::path& temp, const fs::path& pauses) {
  int status = 0;
  EXPECT_EQ(::waitpid(child.pid, &status, 0), child.pid);
  ::close(child.script);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  EXPECT_TRUE(fs::is_empty(temp)) << "the temporary device root is left behind:" << listing(temp);
  fs::remove_all(temp);
  fs::remove_all(pauses);
}

TEST(SimProcess, TerminationInTheMiddleOfAWriteRemovesTheTemporaryDeviceRoot) {
  fs::path temp = device_fs::makeTemporaryFolder("vlw-sim-term");
  fs::path pauses = device_fs::makeTemporaryFolder("vlw-sim-pause");
  SimChild child = spawnSim(temp, pauses);
  ASSERT_GT(child.pid, 0);
  // The first write (the settings file) stops half done: its temporary file is written, not
  // yet renamed. The script stays open, so sim waits for more after it.
  const char line[] = "prefs set isEnabled false\n";
  ASSERT_EQ(::write(child.script, line, sizeof line - 1), static_cast<ssize_t>(sizeof line - 1));
  ASSERT_TRUE(appears(pauses / "in-write")) << "the main thread never reached the write";
  ASSERT_EQ(::kill(child.pid, SIGTERM), 0);
  // The signal's thread shuts the writes out first, and waits for the one in progress: while
  // that write is held, the process stays and so does its root.
  EXPECT_TRUE(appears(pauses / "closing")) << "the removal did not wait for the write in progress";
  EXPECT_TRUE(stillRunning(child.pid));
  EXPECT_FALSE(fs::is_empty(temp));
  std::ofstream(pauses / "resume").put('\n');
  expectEndedBySigtermLeavingNothing(child, temp, pauses);
}

TEST(SimProcess, TerminationBetweenLinesRemovesTheTemporaryDeviceRoot) {
  fs::path temp = device_fs::makeTemporaryFolder("vlw-sim-term");
  fs::path pauses = device_fs::makeTemporaryFolder("vlw-sim-pause");
  SimChild child = spawnSim(temp, pauses);
  ASSERT_GT(child.pid, 0);
  // The first write passes its pause at once; after it, sim is reading the next line.
  std::ofstream(pauses / "resume").put('\n');
  const char line[] = "boot\nprefs set isEnabled false\n";
  ASSERT_EQ(::write(child.script, line, sizeof line - 1), static_cast<ssize_t>(sizeof line - 1));
  ASSERT_TRUE(appears(pauses / "in-write"));
  bool written = false;
  for (int i = 0; i < 1200 && !written; ++i) {
    for (auto& e : fs::directory_iterator(temp))
      written |= fs::exists(e.path() / "private/var/mobile/Library/Preferences/com.dovrane.velloway.plist");
    if (!written) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  EXPECT_TRUE(written);
  ASSERT_EQ(::kill(child.pid, SIGTERM), 0);
  expectEndedBySigtermLeavingNothing(child, temp, pauses);
}

}  // namespace
