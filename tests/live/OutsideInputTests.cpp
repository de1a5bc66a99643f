// What comes from outside cannot hold up a live process: an output named by the user that is
// a FIFO is refused at once and the next line is answered; a control line over the limit is
// refused with only its start quoted; a lost bus is reported by the process that lost it.
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <sdbus-c++/sdbus-c++.h>
#include <sys/stat.h>

#include "tests/support/LiveHarness.hpp"

namespace fs = std::filesystem;
using namespace live_test;
using namespace std::chrono_literals;

namespace {

class FromOutside : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_DATA_HOME", (temp.path() / "data").c_str(), 1);  // never the user's own phone
    root = temp.path() / "device";
  }
  void TearDown() override { unsetenv("XDG_DATA_HOME"); }

  // One line through ctl, with a bound far below the test's: a line that blocks the process
  // shows as ctl's timeout (exit 1), not as a hung test.
  Result ctlLine(const std::string& role, const std::string& line) {
    return velloway({"ctl", role, "--root", root.string(), "--timeout", "20", line}, 60s);
  }

  PrivateBus bus;
  TempFolder temp;
  fs::path root;
};

TEST_F(FromOutside, OutputsToAFifoAreRefusedAndTheNextLineIsAnswered) {
  Child springboard = startLive("springboard", root, temp.path());
  Child settings = startLive("settings", root, temp.path());
  const fs::path fifo = temp.path() / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

  Result render = ctlLine("springboard", "render " + fifo.string());
  EXPECT_EQ(render.status, 2) << render.err;
  EXPECT_NE(render.err.find("is a FIFO"), std::string::npos) << render.err;
  EXPECT_EQ(ctl("springboard", root, {"supported"}), "YES\n");

  ctl("settings", root, {"settings open", "settings tap Support"});
  Result mail = ctlLine("settings", "settings mail-save " + fifo.string());
  EXPECT_EQ(mail.status, 2) << mail.err;
  EXPECT_NE(mail.err.find("is a FIFO"), std::string::npos) << mail.err;
  EXPECT_EQ(dump("settings", root, "pane")["pane"]["presented"]["type"], "mail");
  EXPECT_TRUE(fs::is_fifo(fifo));

  // A regular file is still written.
  ctl("springboard", root, {"render " + (temp.path() / "screen.png").string()});
  EXPECT_GT(fs::file_size(temp.path() / "screen.png"), 1000u);
}

TEST_F(FromOutside, AnOverlongLineIsRefusedQuotingOnlyItsStart) {
  Child springboard = startLive("springboard", root, temp.path());
  const std::string limit = "at most 65536 bytes";

  // ctl refuses it before sending (an argument can hold at most 128 KiB).
  Result viaCtl = ctlLine("springboard", "render " + std::string(100'000, 'x'));
  EXPECT_EQ(viaCtl.status, 2);
  EXPECT_NE(viaCtl.err.find(limit), std::string::npos) << viaCtl.err.substr(0, 300);
  EXPECT_LT(viaCtl.err.size(), 400u);

  // The process refuses it whoever sends it, a 5 MB line included; a long word of a line
  // within the limit is cut in the error too.
  auto connection = sdbus::createSessionBusConnectionWithAddress(bus.address());
  auto daemon = sdbus::createProxy(*connection, "org.freedesktop.DBus", "/org/freedesktop/DBus");
  std::vector<std::string> names;
  daemon->callMethod("ListNames").onInterface("org.freedesktop.DBus").storeResultsTo(names);
  std::string name;
  for (const auto& n : names)
    if (n.rfind("org.velloway.SpringBoard.", 0) == 0) name = n;
  ASSERT_FALSE(name.empty());
  auto control = sdbus::createProxy(*connection, name, "/org/velloway/Control");
  for (const auto& line : {std::string(5'000'000, 'y'), "unknownword" + std::string(60'000, 'z')}) {
    try {
      std::string output;
      control->callMethod("Run").onInterface("org.velloway.Control").withArguments(line, std::string("/")).storeResultsTo(output);
      ADD_FAILURE() << "a line of " << line.size() << " bytes was run";
    } catch (const sdbus::Error& e) {
      EXPECT_EQ(e.getName(), "org.velloway.Control.Error.Line");
      EXPECT_LE(e.getMessage().size(), 1100u) << e.getMessage().substr(0, 300);
      if (line.size() > 65536) {
        EXPECT_NE(e.getMessage().find(limit), std::string::npos) << e.getMessage().substr(0, 300);
      }
    }
  }
  EXPECT_EQ(ctl("springboard", root, {"supported"}), "YES\n");
}

TEST(LiveMessages, ALostBusIsReportedByTheProcessThatLostIt) {
  TempFolder temp;
  setenv("XDG_DATA_HOME", (temp.path() / "data").c_str(), 1);
  std::string error;
  auto bus = session_bus::startPrivateBus(error, true);
  ASSERT_TRUE(bus) << error;
  setenv("DBUS_SESSION_BUS_ADDRESS", bus->address.c_str(), 1);
  Child springboard = startLive("springboard", temp.path() / "device", temp.path());
  const pid_t pid = springboard.pid();
  session_bus::stopPrivateBus(*bus);
  EXPECT_EQ(springboard.waitForExit(30s), 1);
  EXPECT_NE(springboard.stderrText().find(fmt::format("velloway springboard[{}]: lost the session bus", pid)), std::string::npos)
      << springboard.stderrText();
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  unsetenv("XDG_DATA_HOME");
}

}  // namespace
