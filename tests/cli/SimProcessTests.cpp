// The simulator as a process and as a session: failed writes stop the script before anything is
// stored or posted, and a terminated `velloway sim` removes the temporary device root it made.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "cli/sim/SimSession.hpp"
#include "platform/corefoundation/CFNotificationCenter.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "tests/support/DeviceRootTest.hpp"

namespace fs = std::filesystem;

extern char** environ;

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

TEST(SimProcess, TerminationRemovesTheTemporaryDeviceRoot) {
  // A private temporary folder, so the root the child makes is the only thing in it.
  fs::path temp = test_support::makeTemporaryFolder("vlw-sim-term");
  int input[2];
  ASSERT_EQ(::pipe(input), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
  posix_spawn_file_actions_addclose(&actions, input[1]);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::string tmpdir = "TMPDIR=" + temp.string();
  std::vector<char*> env{tmpdir.data()};
  for (char** e = environ; *e; ++e)
    if (std::string_view(*e).rfind("TMPDIR=", 0) != 0) env.push_back(*e);
  env.push_back(nullptr);
  std::string binary = VELLOWAY_BINARY, sim = "sim";
  char* argv[] = {binary.data(), sim.data(), nullptr};
  pid_t pid = -1;
  ASSERT_EQ(posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv, env.data()), 0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(input[0]);
  ASSERT_EQ(::write(input[1], "boot\n", 5), 5);  // the script stays open: sim waits for more
  // Wait (bounded) for the root and the first line to be under way.
  bool made = false;
  for (int i = 0; i < 200 && !made; ++i) {
    for (auto& e : fs::directory_iterator(temp)) made |= fs::exists(e.path() / "private/var/mobile");
    if (!made) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  EXPECT_TRUE(made);
  ASSERT_EQ(::kill(pid, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ::close(input[1]);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  EXPECT_TRUE(fs::is_empty(temp)) << "the temporary device root is left behind";
  fs::remove_all(temp);
}

}  // namespace
