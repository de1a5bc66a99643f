// `velloway phone` owns what it starts: whatever ends it (SIGKILL, SIGHUP), its bus and its two
// processes end too, and the bus leaves no socket file behind; one of its processes ending by
// itself stops the phone, with exit 0 for a closed window and 1 for a failure, naming which;
// a device root that is already served is refused before anything starts.
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>

#include "tests/support/LiveHarness.hpp"

namespace fs = std::filesystem;
using namespace live_test;
using namespace std::chrono_literals;

namespace {

// While it lives, processes orphaned below this one come to it, so that the test can reap
// (and so see the end of) the phone's processes once the phone itself is gone.
class Subreaper {
 public:
  Subreaper() { ::prctl(PR_SET_CHILD_SUBREAPER, 1); }
  ~Subreaper() { ::prctl(PR_SET_CHILD_SUBREAPER, 0); }
};

// Whether the process has ended: reaped here, or gone from the system.
bool ended(pid_t pid) {
  int status;
  pid_t reaped = ::waitpid(pid, &status, WNOHANG);
  if (reaped == pid) return true;
  if (reaped == 0) return false;
  return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Whether something still listens on the bus's socket: its file for a path address, its name
// in /proc/net/unix for an abstract one.
bool busSocketLeft(const std::string& address) {
  auto valueOf = [&](const std::string& key) {
    auto at = address.find(key + "=");
    if (at == std::string::npos) return std::string();
    at += key.size() + 1;
    return address.substr(at, address.find(',', at) - at);
  };
  if (std::string path = valueOf("path"); !path.empty()) return fs::exists(fs::symlink_status(path));
  std::ifstream sockets("/proc/net/unix");
  const std::string name = "@" + valueOf("abstract");
  for (std::string line; std::getline(sockets, line);)
    if (line.size() >= name.size() && line.compare(line.size() - name.size(), name.size(), name) == 0) return true;
  return false;
}

// `velloway phone` on a private bus of its own, up, with what it printed about its processes.
// Whatever the test leaves running is ended by its pid.
class PhoneRun {
 public:
  PhoneRun(const fs::path& root, const fs::path& logs, const std::string& label)
      : phone({VELLOWAY_BINARY, "phone", "--root", root.string()}, logs, label) {
    up =
        eventually([&] { return phone.stdoutText().find("Ctrl-C stops them.") != std::string::npos || !phone.running(); }, 60s) &&
        phone.running();
    std::string out = phone.stdoutText();
    auto pidAfter = [&](const std::string& text) {
      auto at = out.find(text);
      return at == std::string::npos ? -1 : std::stoi(out.substr(out.find("pid", at) + 4));
    };
    homeScreen = pidAfter("home screen");
    settingsApp = pidAfter("Settings app");
    bus = pidAfter("private session bus");
    auto quote = out.find("DBUS_SESSION_BUS_ADDRESS='");
    if (quote != std::string::npos) address = out.substr(quote + 26, out.find('\'', quote + 26) - quote - 26);
  }

  ~PhoneRun() {
    phone.kill9();
    for (pid_t pid : pids()) {
      if (pid <= 0 || eventually([&] { return ended(pid); }, 10s)) continue;
      if (::waitpid(pid, nullptr, WNOHANG) == 0) {  // still ours, still running
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
      }
    }
  }

  std::vector<pid_t> pids() const { return {homeScreen, settingsApp, bus}; }

  // Polls (bounded) until none of the phone's processes runs; the ones still running.
  std::string survivors() const {
    std::string left;
    eventually(
        [&] {
          left.clear();
          for (pid_t pid : pids())
            if (pid > 0 && !ended(pid)) left += std::to_string(pid) + " ";
          return left.empty();
        },
        30s);
    return left;
  }

  Child phone;
  bool up = false;
  pid_t homeScreen = -1, settingsApp = -1, bus = -1;
  std::string address;
};

class PhoneOwnsItsProcesses : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("DBUS_SESSION_BUS_ADDRESS");                        // each phone starts its own bus
    setenv("XDG_DATA_HOME", (temp.path() / "data").c_str(), 1);  // never the user's own phone
  }
  void TearDown() override {
    unsetenv("XDG_DATA_HOME");
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }

  Subreaper reaper;  // first in, last out: outlives every PhoneRun of the test
  TempFolder temp;
  fs::path root = temp.path() / "device";
};

TEST_F(PhoneOwnsItsProcesses, SigkillToThePhoneEndsItsProcessesAndLeavesNoBusSocket) {
  PhoneRun run(root, temp.path(), "phone");
  ASSERT_TRUE(run.up) << run.phone.stderrText();
  for (pid_t pid : run.pids()) ASSERT_GT(pid, 0) << run.phone.stdoutText();
  ASSERT_FALSE(run.address.empty());
  EXPECT_TRUE(busSocketLeft(run.address)) << "the check below would see nothing: " << run.address;

  run.phone.kill9();
  EXPECT_EQ(run.survivors(), "") << "still running after the phone was killed";
  EXPECT_FALSE(busSocketLeft(run.address)) << run.address;
}

TEST_F(PhoneOwnsItsProcesses, SighupStopsThePhoneAndEverythingItStarted) {
  PhoneRun run(root, temp.path(), "phone");
  ASSERT_TRUE(run.up) << run.phone.stderrText();
  EXPECT_EQ(run.phone.stop(SIGHUP, 30s), 0) << run.phone.stderrText();
  EXPECT_EQ(run.survivors(), "");
  EXPECT_NE(run.phone.stdoutText().find("Stopped."), std::string::npos);
  EXPECT_FALSE(busSocketLeft(run.address));
}

TEST_F(PhoneOwnsItsProcesses, AProcessEndingByItselfStopsThePhoneSayingWhich) {
  {
    // As when its window is closed: the home screen ends with exit 0, and so does the phone.
    PhoneRun run(root, temp.path(), "closed");
    ASSERT_TRUE(run.up) << run.phone.stderrText();
    ::kill(run.homeScreen, SIGTERM);
    EXPECT_EQ(run.phone.waitForExit(30s), 0);
    EXPECT_NE(run.phone.stderrText().find(fmt::format("velloway phone: springboard[{}] ended", run.homeScreen)),
              std::string::npos)
        << run.phone.stderrText();
    EXPECT_EQ(run.survivors(), "");
  }
  {
    // A process that dies is a failure: exit 1, with how it ended.
    PhoneRun run(root, temp.path(), "crashed");
    ASSERT_TRUE(run.up) << run.phone.stderrText();
    ::kill(run.settingsApp, SIGKILL);
    EXPECT_EQ(run.phone.waitForExit(30s), 1);
    EXPECT_NE(run.phone.stderrText().find(fmt::format("settings[{}] failed (killed by SIGKILL)", run.settingsApp)),
              std::string::npos)
        << run.phone.stderrText();
    EXPECT_EQ(run.survivors(), "");
  }
  {
    // The bus killed outright: a failure too, and its socket is no file to leave behind.
    PhoneRun run(root, temp.path(), "busless");
    ASSERT_TRUE(run.up) << run.phone.stderrText();
    ::kill(run.bus, SIGKILL);
    EXPECT_EQ(run.phone.waitForExit(30s), 1);
    EXPECT_NE(run.phone.stderrText().find(fmt::format("dbus-daemon[{}] failed (killed by SIGKILL)", run.bus)), std::string::npos)
        << run.phone.stderrText();
    EXPECT_EQ(run.survivors(), "");
    EXPECT_FALSE(busSocketLeft(run.address)) << run.address;
  }
}

TEST_F(PhoneOwnsItsProcesses, ADeviceRootAlreadyServedIsRefusedBeforeAnythingStarts) {
  PhoneRun first(root, temp.path(), "first");
  ASSERT_TRUE(first.up) << first.phone.stderrText();

  // On a bus of its own: the first phone holds the root.
  Result own = velloway({"phone", "--root", root.string()}, 30s);
  EXPECT_EQ(own.status, 1);
  EXPECT_NE(own.err.find("is already served by another velloway phone"), std::string::npos) << own.err;
  EXPECT_EQ(own.out.find("The phone is up"), std::string::npos) << own.out;

  // On the first phone's bus: its home screen is named.
  setenv("DBUS_SESSION_BUS_ADDRESS", first.address.c_str(), 1);
  Result shared = velloway({"phone", "--root", root.string()}, 30s);
  EXPECT_EQ(shared.status, 1);
  EXPECT_NE(shared.err.find(fmt::format("is already served: springboard pid {}", first.homeScreen)), std::string::npos)
      << shared.err;
  EXPECT_EQ(shared.out.find("The phone is up"), std::string::npos) << shared.out;

  // The first phone is untouched.
  EXPECT_TRUE(first.phone.running());
  EXPECT_EQ(ctl("springboard", root, {"supported"}), "YES\n");
}

}  // namespace
