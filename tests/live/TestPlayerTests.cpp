// The live home screen following a player of the test's own (players/mpris_test_player.py, on
// the test's private bus): a cover that takes long to decode does not hold up control lines,
// the overlay gets the decoded image, and nothing of a player stays once it has left.
#include <gtest/gtest.h>
#include <sdbus-c++/sdbus-c++.h>

#include <csignal>
#include <fstream>

#include "platform/uikit/UIImage.hpp"
#include "tests/support/LiveHarness.hpp"

namespace fs = std::filesystem;
using namespace live_test;
using namespace std::chrono_literals;

namespace {

constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kControl = "org.velloway.SpringBoard.testplayer";

std::vector<uint8_t> fileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class LiveTestPlayer : public ::testing::Test {
 protected:
  // The covers are made once for the suite: a big one takes seconds to write.
  static void SetUpTestSuite() {
    if (run({kPython, "-c", "import dbus, dbus.mainloop.glib, gi.repository.GLib"}).status != 0) return;
    covers = std::make_unique<TempFolder>();
    for (auto [name, side, seed] : {std::tuple{"small.png", 64, 3}, {"big1.png", 8000, 1}, {"big2.png", 8000, 2}})
      made = made && run({kPython, VELLOWAY_TEST_PLAYER, "--png", (covers->path() / name).string(), std::to_string(side),
                          std::to_string(seed)},
                         120s)
                             .status == 0;
  }
  static void TearDownTestSuite() { covers.reset(); }

  void SetUp() override {
    if (!covers) GTEST_SKIP() << "needs /usr/bin/python3 with python3-dbus and python3-gi (Debian's packages)";
    ASSERT_TRUE(made) << "the covers could not be written";
    bus = std::make_unique<PrivateBus>();
    connection = sdbus::createSessionBusConnectionWithAddress(bus->address());
    root = temp.path() / "device";
    player = Child({kPython, VELLOWAY_TEST_PLAYER, "velloway"}, temp.path(), "player");
    ASSERT_TRUE(eventually([&] { return hasOwner("org.mpris.MediaPlayer2.velloway"); }, 30s)) << player.stderrText();
    springboard = startLive("springboard", root, temp.path(), {"--media", "mpris:velloway", "--name", "testplayer"});
    send("alert press Close");
    send("activate");
  }

  bool hasOwner(const std::string& name) {
    auto daemon = sdbus::createProxy(*connection, "org.freedesktop.DBus", "/org/freedesktop/DBus");
    bool has = false;
    daemon->callMethod("NameHasOwner").onInterface("org.freedesktop.DBus").withArguments(name).storeResultsTo(has);
    return has;
  }
  // One control line over the bus, as ctl sends it; its output.
  std::string send(const std::string& line) {
    auto control = sdbus::createProxy(*connection, kControl, "/org/velloway/Control");
    std::string out;
    control->callMethod("Run")
        .onInterface("org.velloway.Control")
        .withTimeout(60s)
        .withArguments(line, std::string("/"))
        .storeResultsTo(out);
    return out;
  }
  nlohmann::json dumped(const std::string& fields) { return nlohmann::json::parse(send("dump " + fields)); }
  // The player's next track; returns once its PropertiesChanged is sent.
  void track(const std::string& title, const std::string& cover) {
    auto control = sdbus::createProxy(*connection, "org.mpris.MediaPlayer2.velloway", "/org/velloway/TestPlayer");
    std::string url = cover.empty() ? "" : "file://" + (covers->path() / cover).string();
    control->callMethod("Track")
        .onInterface("org.velloway.TestPlayer")
        .withTimeout(60s)
        .withArguments(title, std::string("The Reachables"), url);
  }
  static std::string coverUrl(const std::string& cover) { return "file://" + (covers->path() / cover).string(); }
  static std::string digestOf(const std::string& cover) {
    return UIImage::decodedImage(fileBytes(covers->path() / cover))->digest();
  }
  static nlohmann::json coverImage(const nlohmann::json& window) {
    auto* view = findView(window, "smallCoverArt");
    return view && view->contains("image") ? (*view)["image"] : nlohmann::json(nullptr);
  }
  // Whether a label in the dumped tree (the stock controls' title, in the overlay) shows this.
  static bool showsText(const nlohmann::json& tree, const std::string& text) {
    if (tree.is_object() && tree.contains("text") && tree["text"] == text) return true;
    if (tree.is_structured())
      for (const auto& child : tree)
        if (showsText(child, text)) return true;
    return false;
  }

  static inline std::unique_ptr<TempFolder> covers;
  static inline bool made = true;
  TempFolder temp;
  std::unique_ptr<PrivateBus> bus;
  std::unique_ptr<sdbus::IConnection> connection;
  fs::path root;
  Child player, springboard;
};

TEST_F(LiveTestPlayer, ALineSentRightAfterASwitchIsAnsweredBeforeTheOverlayShowsTheNewCover) {
  track("Small", "small.png");
  ASSERT_TRUE(eventually([&] { return showsText(dumped("window")["window"], "Small"); }, 30s)) << send("dump media window");
  const std::string smallDigest = digestOf("small.png");
  EXPECT_EQ(coverImage(dumped("window")["window"])["digest"], smallDigest);

  // Switch to a big cover and ask at once. An answer that shows the switch received and the
  // cover still decoding must show the overlay as it was: the decode holds up nothing. Should
  // the decode be over before the first look, the other big cover is tried.
  bool answeredWhileDecoding = false;
  std::string shownBig;
  for (const char* big : {"big1.png", "big2.png"}) {
    std::string title = std::string("Big ") + big;
    track(title, big);
    for (auto end = std::chrono::steady_clock::now() + 60s; std::chrono::steady_clock::now() < end;) {
      auto answer = dumped("media window");
      auto window = answer["window"];
      if (answer["media"]["artwork"]["loading"] == coverUrl(big)) {
        answeredWhileDecoding = true;
        EXPECT_FALSE(showsText(window, title)) << "the overlay showed the track before its cover was decoded";
        EXPECT_NE(coverImage(window)["width"], 4000) << "the new cover was shown already";
        break;
      }
      if (showsText(window, title)) break;  // decoded before the first look
    }
    shownBig = big;
    if (answeredWhileDecoding) break;
  }
  EXPECT_TRUE(answeredWhileDecoding) << "no control line was answered while a big cover was decoding";

  // Then the overlay shows the track with the very image UIImage decodes from the file.
  std::string title = "Big " + shownBig;
  ASSERT_TRUE(eventually([&] { return showsText(dumped("window")["window"], title); }, 60s)) << send("dump media");
  auto image = coverImage(dumped("window")["window"]);
  EXPECT_EQ(image["width"], 4000);
  EXPECT_EQ(image["digest"], digestOf(shownBig));
  EXPECT_EQ(dumped("media")["media"]["artwork"]["url"], coverUrl(shownBig));
}

TEST_F(LiveTestPlayer, WhenThePlayerLeavesItsArtworkAndItsTitleLeaveWithIt) {
  std::string longTitle(10'000'000, 'T');
  track(longTitle, "small.png");
  const std::string kept(1024, 'T');
  ASSERT_TRUE(eventually([&] { return showsText(dumped("window")["window"], kept); }, 30s)) << send("dump media");
  auto window = dumped("window")["window"];
  EXPECT_EQ(coverImage(window)["digest"], digestOf("small.png"));
  EXPECT_LT(send("dump").size(), size_t(1) << 20) << "a 10 MB title made a dump that large";

  EXPECT_EQ(player.stop(SIGTERM), 0) << player.stderrText();
  ASSERT_TRUE(eventually([&] { return dumped("media")["media"]["player"].is_null(); }, 30s));
  // Both covers lose its artwork, and its title goes.
  ASSERT_TRUE(eventually([&] { return coverImage(dumped("window")["window"]).is_null(); }, 30s)) << send("dump window");
  window = dumped("window")["window"];
  auto* backdrop = findView(window, "backgroundCoverArt");
  ASSERT_NE(backdrop, nullptr);
  EXPECT_TRUE((*backdrop)["image"].is_null());
  EXPECT_FALSE(showsText(window, kept));
  EXPECT_EQ(send("dump").find(kept), std::string::npos) << "the title was kept";
  EXPECT_TRUE(springboard.running());
}

}  // namespace
