// A live session recorded as a script: both processes write one recording, which opens with the
// device's state and replays in the simulator to the same end.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <sstream>

#include "platform/fs/DeviceRoot.hpp"
#include "platform/plist/PropertyList.hpp"
#include "tests/support/LiveHarness.hpp"

namespace fs = std::filesystem;
using namespace live_test;

namespace {

const char* kSettingsFile = "/private/var/mobile/Library/Preferences/com.dovrane.velloway.plist";

std::string readText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class Recording : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_DATA_HOME", (temp.path() / "data").c_str(), 1);
    root = temp.path() / "device";
    // A device used before: values stored and the welcome notice seen.
    device_fs::useRoot(root);
    plist::Dictionary stored{{"albumArtCornerRadius", plist::Value(int64_t{7})},
                             {"beta4-HasRun", plist::Value(true)},
                             {"artistLabelTitle", plist::Value(std::string("Say \"hi\" # now"))},
                             {"blurAlpha", plist::Value(0.25)}};
    ASSERT_TRUE(plist::writeToFile(stored, kSettingsFile));
  }
  void TearDown() override { unsetenv("XDG_DATA_HOME"); }

  PrivateBus bus;
  TempFolder temp;
  fs::path root;
};

TEST_F(Recording, ACtlSessionOfBothProcessesReplaysToTheSameState) {
  const fs::path script = temp.path() / "session.sim";
  Child springboard = startLive("springboard", root, temp.path(), {"--record", script.string()});
  Child settings = startLive("settings", root, temp.path(), {"--record", script.string(), "--record-join"});

  ctl("springboard", root, {"media play-demo", "activate", "tap cover 2"});
  ctl("settings", root,
      {"settings open", "settings tap Configuration", "settings tap \"Vibrancy Labels\"",
       "settings set albumArtCornerRadius 12"});
  ctl("springboard", root, {"prefs notify", "deactivate", "activate", "swipe cover up"});
  // The state once what moves (the cover's shake) has come to rest.
  nlohmann::json live;
  EXPECT_TRUE(eventually([&] {
    live = dump("springboard", root, "settings window media commands");
    return !moving(live);
  }));
  const nlohmann::json livePane = dump("settings", root, "pane");
  EXPECT_EQ(settings.stop(SIGTERM), 0);
  EXPECT_EQ(springboard.stop(SIGTERM), 0);

  const std::string recorded = readText(script);
  SCOPED_TRACE(recorded);
  // It starts from the device as it was: the stored values (the welcome flag among them).
  EXPECT_NE(recorded.find("prefs store \"albumArtCornerRadius\" 7\n"), std::string::npos);
  EXPECT_NE(recorded.find("prefs store \"beta4-HasRun\" true\n"), std::string::npos);
  EXPECT_NE(recorded.find("prefs store \"blurAlpha\" 0.25\n"), std::string::npos);
  EXPECT_NE(recorded.find("boot\n"), std::string::npos);
  EXPECT_NE(recorded.find("\ntap cover 2  # at "), std::string::npos);
  EXPECT_EQ(recorded.find("dump"), std::string::npos) << "a dump is no input";

  // Replayed on a fresh device, with time enough for what moves to come to rest.
  std::ofstream(script, std::ios::app) << "advance 5\ndump settings window media commands\ndump pane\n";
  Result replay = velloway({"sim", script.string()});
  ASSERT_EQ(replay.status, 0) << replay.err;
  auto end = replay.out.find_last_not_of('\n');
  const std::string withoutLast = replay.out.substr(0, replay.out.rfind('\n', end));
  EXPECT_EQ(stateDifference(live, lastJsonLine(withoutLast)), "");
  EXPECT_EQ(stateDifference(livePane, lastJsonLine(replay.out)), "");
}

}  // namespace
