// The two live processes on a private session bus: settings made in the Settings app reach
// the home screen, control lines are checked, kills leave the settings file whole, postings
// coalesce, and every process started is ended by its pid.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <set>
#include <thread>

#include "platform/fs/DeviceRoot.hpp"
#include "platform/plist/PropertyList.hpp"
#include "tests/support/LiveHarness.hpp"

namespace fs = std::filesystem;
using namespace live_test;
using namespace std::chrono_literals;

namespace {

const char* kSettingsFile = "/private/var/mobile/Library/Preferences/com.dovrane.velloway.plist";

bool mapsLibrary(pid_t pid, const std::string& name) {
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  std::string line;
  while (std::getline(maps, line))
    if (line.find("/" + name) != std::string::npos) return true;
  return false;
}

class LivePhone : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_DATA_HOME", (temp.path() / "data").c_str(), 1);  // never the user's own phone
    root = temp.path() / "device";
  }
  void TearDown() override { unsetenv("XDG_DATA_HOME"); }

  PrivateBus bus;
  TempFolder temp;
  fs::path root;
};

TEST_F(LivePhone, PaneChangesReachTheHomeScreen) {
  Child springboard = startLive("springboard", root, temp.path());
  Child settings = startLive("settings", root, temp.path());
  ctl("springboard", root, {"alert press Close", "activate"});
  EXPECT_EQ(findView(dump("springboard", root, "window")["window"], "repeatLabel"), nullptr);

  // Vibrancy labels switched on in the pane: the current overlay rereads them on the notification.
  ctl("settings", root, {"settings open", "settings tap Configuration", "settings set useVibrancyLabels true"});
  EXPECT_TRUE(eventually([&] { return dump("springboard", root, "settings")["settings"]["vibrancy"] == true; }));
  ctl("springboard", root, {"deactivate", "activate"});
  auto window = dump("springboard", root, "window")["window"];
  EXPECT_NE(findView(window, "repeatLabel"), nullptr);
  EXPECT_NE(findView(window, "shuffleLabel"), nullptr);

  // A corner radius typed into the slider's entry alert shapes the next overlay's cover.
  ctl("settings", root, {"settings entry albumArtCornerRadius", "alert type 12", "alert press Enter"});
  EXPECT_TRUE(eventually([&] { return dump("springboard", root, "settings")["settings"]["cornerRadius"] == 12.0; }));
  ctl("springboard", root, {"deactivate", "activate"});
  window = dump("springboard", root, "window")["window"];
  auto cover = findView(window, "smallCoverArt");
  ASSERT_NE(cover, nullptr);
  EXPECT_EQ((*cover)["layer"]["cornerRadius"], 12.0);

  // Each process maps its own deliverable only.
  EXPECT_TRUE(mapsLibrary(springboard.pid(), "Velloway.so"));
  EXPECT_FALSE(mapsLibrary(springboard.pid(), "VLW.so"));
  EXPECT_TRUE(mapsLibrary(settings.pid(), "VLW.so"));
  EXPECT_FALSE(mapsLibrary(settings.pid(), "Velloway.so"));
}

TEST_F(LivePhone, ControlLinesAreCheckedAndTheProcessCarriesOn) {
  Child springboard = startLive("springboard", root, temp.path());
  Child settings = startLive("settings", root, temp.path());
  struct Refusal {
    std::string role, line, says;
  } refusals[] = {
      {"springboard", "frobnicate", "unknown command 'frobnicate'"},
      {"springboard", "boot", "no meaning in a live process"},
      {"springboard", "load", "no meaning in a live process"},
      {"springboard", "launch", "no meaning in a live process"},
      {"springboard", "advance 1", "time passes by itself"},
      {"springboard", "settings open", "Settings app"},
      {"settings", "activate", "home screen"},
      {"settings", "media play-demo", "home screen"},
      {"settings", "dump window", "no field 'window'"},
      {"settings", "title=\"unterminated", "quote"},
  };
  for (const auto& r : refusals) {
    Result result = velloway({"ctl", r.role, "--root", root.string(), r.line});
    EXPECT_EQ(result.status, 2) << r.line;
    EXPECT_NE(result.err.find(r.says), std::string::npos) << r.line << ": " << result.err;
  }
  // Lines after a refused one are not run; the processes carry on.
  Result stopped = velloway({"ctl", "springboard", "--root", root.string(), "activate", "nonsense", "deactivate"});
  EXPECT_EQ(stopped.status, 2);
  EXPECT_EQ(dump("springboard", root, "host")["host"]["reachabilityActive"], true);
  EXPECT_TRUE(springboard.running());
  EXPECT_TRUE(settings.running());
  EXPECT_EQ(ctl("springboard", root, {"supported"}), "YES\n");

  // Nobody serves this root: a clear answer, not a hang.
  Result nobody = velloway({"ctl", "springboard", "--root", (temp.path() / "elsewhere").string(), "supported"}, 30s);
  EXPECT_EQ(nobody.status, 1);
  EXPECT_NE(nobody.err.find("no springboard process is running"), std::string::npos) << nobody.err;

  Result list = velloway({"ctl", "--list"});
  EXPECT_EQ(list.status, 0);
  EXPECT_NE(list.out.find("springboard"), std::string::npos);
  EXPECT_NE(list.out.find(fs::weakly_canonical(root).string()), std::string::npos) << list.out;

  // A second home screen on the same root cannot take the first one's name.
  Child second({VELLOWAY_BINARY, "springboard", "--root", root.string()}, temp.path(), "second");
  EXPECT_EQ(second.waitForExit(30s), 1);
  EXPECT_NE(second.stderrText().find("another springboard process"), std::string::npos) << second.stderrText();
}

TEST_F(LivePhone, TwoPhonesKeepTheirControlButHearTheSameNotifications) {
  fs::path other = temp.path() / "other-device";
  Child a = startLive("springboard", root, temp.path());
  Child b = startLive("springboard", other, temp.path());
  ctl("springboard", root, {"activate"});
  EXPECT_EQ(dump("springboard", root, "host")["host"]["reachabilityActive"], true);
  EXPECT_EQ(dump("springboard", other, "host")["host"]["reachabilityActive"], false);

  // Darwin notifications are system-wide within one bus, as on a phone.
  Child settings = startLive("settings", root, temp.path());
  ctl("settings", root, {"prefs notify"});
  const std::string name = "com.dovrane.velloway/settingschanged";
  EXPECT_TRUE(eventually([&] { return dump("springboard", other, "delivered")["delivered"].value(name, 0) >= 1; }));
  EXPECT_TRUE(eventually([&] { return dump("springboard", root, "delivered")["delivered"].value(name, 0) >= 1; }));
  // The settings process observes nothing, so nothing is delivered there.
  EXPECT_EQ(dump("settings", root, "delivered")["delivered"].value(name, 0), 0);
}

TEST_F(LivePhone, ABurstOfPostingsArrivesAsFewDeliveriesWithTheLastValue) {
  Child springboard = startLive("springboard", root, temp.path());
  Child settings = startLive("settings", root, temp.path());
  ctl("springboard", root, {"activate"});
  const std::string name = "com.dovrane.velloway/settingschanged";
  auto delivered = [&] { return dump("springboard", root, "delivered")["delivered"].value(name, 0); };

  ctl("settings", root, {"prefs set albumArtCornerRadius 9", "prefs notify 1000"});
  EXPECT_EQ(dump("settings", root, "posted")["posted"].size(), 1001u);
  // Settled: two readings in a row agree.
  int last = -1;
  ASSERT_TRUE(eventually(
      [&] {
        int now = delivered();
        bool settled = now >= 1 && now == last;
        last = now;
        return settled;
      },
      20s));
  EXPECT_LT(last, 500) << "1001 postings were not coalesced";
  std::cout << "1001 postings reached the home screen as " << last << " deliveries\n";
  EXPECT_EQ(dump("springboard", root, "settings")["settings"]["cornerRadius"], 9.0);
}

TEST_F(LivePhone, SettingsKilledMidWriteLeaveAWholeFileAndTheHomeScreenRunning) {
  Child springboard = startLive("springboard", root, temp.path());
  ctl("springboard", root, {"alert press Close", "activate"});
  device_fs::useRoot(root);
  std::set<int64_t> written{};
  std::mt19937 random(20261208);
  int torn = 0, missingKey = 0, parsed = 0;
  // Fewer rounds under the sanitizers, where each start of the Settings app takes seconds.
  const int kKills = VELLOWAY_SANITIZED ? 25 : 100;
  auto modified = [&] {
    std::error_code ec;
    return fs::last_write_time(device_fs::hostPath(kSettingsFile), ec);
  };
  for (int round = 0; round < kKills; ++round) {
    Child settings = startLive("settings", root, temp.path());
    ctl("settings", root, {"settings open", "settings tap Configuration"});
    // A loop of writes through the slider's entry alert, each a whole rewrite of the file.
    std::vector<std::string> args{VELLOWAY_BINARY, "ctl", "settings", "--root", root.string()};
    for (int i = 0; i < 40; ++i) {
      int64_t value = 1 + (round * 40 + i) % 19;
      written.insert(value);
      args.insert(args.end(),
                  {"settings entry albumArtCornerRadius", "alert type " + std::to_string(value), "alert press Enter"});
    }
    auto before = modified();
    Child writer(args, temp.path(), "writer");
    // Once the writes are under way, a kill at a random moment among them.
    eventually([&] { return modified() != before || !writer.running(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 40));
    settings.kill9();
    writer.waitForExit(30s);

    auto dict = plist::dictionaryWithContentsOfFile(kSettingsFile);
    if (!dict) {
      // Before the first write there is no file yet; after it there must always be one.
      if (!written.empty() && fs::exists(device_fs::hostPath(kSettingsFile))) ++torn;
      continue;
    }
    ++parsed;
    auto it = dict->find("albumArtCornerRadius");
    if (it == dict->end()) {
      ++missingKey;
      continue;
    }
    EXPECT_TRUE(it->second.isInteger() && written.count(it->second.integerValue())) << "a value nobody wrote";
  }
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(missingKey, 0) << "a kill fell before the first write";
  EXPECT_TRUE(springboard.running());
  size_t leftovers = 0;
  for (const auto& entry : fs::directory_iterator(device_fs::hostPath("/private/var/mobile/Library/Preferences")))
    leftovers += entry.path().filename() != "com.dovrane.velloway.plist";
  std::cout << "kill loop: " << kKills << " kills, " << parsed << " files read whole, " << torn << " torn, " << missingKey
            << " before the first write, " << leftovers << " temporary files left\n";

  // The home screen rereads at the next notification and shows what the file holds.
  auto value = (*plist::dictionaryWithContentsOfFile(kSettingsFile))["albumArtCornerRadius"].integerValue();
  Child settings = startLive("settings", root, temp.path());
  ctl("settings", root, {"prefs notify"});
  EXPECT_TRUE(eventually([&] { return dump("springboard", root, "settings")["settings"]["cornerRadius"] == double(value); }));
}

TEST_F(LivePhone, SignalsEndTheProcessesAndTheDeviceKeepsItsState) {
  Child springboard = startLive("springboard", root, temp.path());
  EXPECT_EQ(dump("springboard", root, "alerts")["alerts"].size(), 1u) << "the welcome notice on the first start";
  EXPECT_EQ(springboard.stop(SIGTERM), 0);

  // The welcome flag survived: no notice at the next start. SIGKILL loses nothing either.
  springboard = startLive("springboard", root, temp.path());
  EXPECT_EQ(dump("springboard", root, "alerts")["alerts"].size(), 0u);
  springboard.kill9();
  springboard = startLive("springboard", root, temp.path());
  EXPECT_EQ(dump("springboard", root, "alerts")["alerts"].size(), 0u);
  EXPECT_EQ(springboard.stop(SIGINT), 0);

  Child settings = startLive("settings", root, temp.path());
  EXPECT_EQ(settings.stop(SIGTERM), 0);
}

TEST(LiveWithoutBus, ProcessesRefuseToRunDeafAndSayHowToGetABus) {
  TempFolder temp;
  setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (temp.path() / "no-bus").string()).c_str(), 1);
  Result springboard = velloway({"springboard", "--root", (temp.path() / "device").string()});
  EXPECT_EQ(springboard.status, 1);
  EXPECT_NE(springboard.err.find("dbus-run-session"), std::string::npos) << springboard.err;
  Result ctl = velloway({"ctl", "springboard", "--root", (temp.path() / "device").string(), "supported"});
  EXPECT_EQ(ctl.status, 1);
  EXPECT_NE(ctl.err.find("no session bus"), std::string::npos) << ctl.err;
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

TEST(LivePhoneCommand, StartsItsOwnBusAndStopsExactlyWhatItStarted) {
  TempFolder temp;
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  fs::path root = temp.path() / "device";
  Child phone({VELLOWAY_BINARY, "phone", "--root", root.string()}, temp.path(), "phone");
  ASSERT_TRUE(eventually([&] { return phone.stdoutText().find("Ctrl-C stops them.") != std::string::npos; }, 30s))
      << phone.stderrText();
  std::string out = phone.stdoutText();
  auto pidAfter = [&](const std::string& label) {
    auto at = out.find(label);
    return at == std::string::npos ? -1 : std::stoi(out.substr(out.find("pid", at) + 4));
  };
  pid_t homeScreen = pidAfter("home screen"), settingsApp = pidAfter("Settings app"), bus = pidAfter("private session bus");
  auto quote = out.find("DBUS_SESSION_BUS_ADDRESS='");
  ASSERT_NE(quote, std::string::npos) << out;
  std::string address = out.substr(quote + 26, out.find('\'', quote + 26) - quote - 26);
  setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
  EXPECT_EQ(ctl("springboard", root, {"supported"}), "YES\n");
  EXPECT_EQ(ctl("settings", root, {"idle"}), "");

  EXPECT_EQ(phone.stop(SIGINT, 20s), 0);
  for (pid_t pid : {homeScreen, settingsApp, bus}) {
    ASSERT_GT(pid, 0);
    EXPECT_NE(::kill(pid, 0), 0) << "pid " << pid << " still there";
  }
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

}  // namespace
