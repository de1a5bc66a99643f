// The MPRIS now-playing source against a player of the test's own, on a private bus, both
// connections serviced by the test: signals applied once per pass, a track published with its
// decoded cover, capped lists, and nothing kept of a player that has left.
#include <gtest/gtest.h>
#include <sdbus-c++/sdbus-c++.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/bus/PrivateBus.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "platform/fs/TemporaryFolder.hpp"
#include "platform/mediaremote/MediaRemote.hpp"
#include "platform/mediaremote/MprisSource.hpp"
#include "platform/mediaremote/NowPlayingPlayer.hpp"
#include "platform/uikit/PreparedImages.hpp"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using Properties = std::map<std::string, sdbus::Variant>;
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";

// org.mpris.MediaPlayer2.unit: what GetAll answers, and PropertiesChanged as it changes.
class UnitPlayer {
 public:
  explicit UnitPlayer(sdbus::IConnection& bus) : bus_(bus), object_(sdbus::createObject(bus, "/org/mpris/MediaPlayer2")) {
    object_->registerProperty("PlaybackStatus").onInterface(kPlayerInterface).withGetter([] { return std::string("Playing"); });
    object_->registerProperty("Metadata").onInterface(kPlayerInterface).withGetter([this] { return metadata_; });
    object_->finishRegistration();
    bus_.requestName("org.mpris.MediaPlayer2.unit");
  }
  void track(const std::string& title, const std::string& artUrl = {}) {
    metadata_ = {{"xesam:title", sdbus::Variant(title)}};
    if (!artUrl.empty()) metadata_["mpris:artUrl"] = sdbus::Variant(artUrl);
    object_->emitSignal("PropertiesChanged")
        .onInterface("org.freedesktop.DBus.Properties")
        .withArguments(std::string(kPlayerInterface), Properties{{"Metadata", sdbus::Variant(metadata_)}},
                       std::vector<std::string>{});
  }
  void leave() { bus_.releaseName("org.mpris.MediaPlayer2.unit"); }

 private:
  sdbus::IConnection& bus_;
  std::unique_ptr<sdbus::IObject> object_;
  Properties metadata_{{"xesam:title", sdbus::Variant(std::string("Start"))}};
};

// org.mpris.MediaPlayer2.modes: Shuffle and LoopStatus, which it may change without a word, as
// some players do; each Set is recorded.
class ModesPlayer {
 public:
  explicit ModesPlayer(sdbus::IConnection& bus) : object_(sdbus::createObject(bus, "/org/mpris/MediaPlayer2")) {
    object_->registerProperty("PlaybackStatus").onInterface(kPlayerInterface).withGetter([] { return std::string("Playing"); });
    object_->registerProperty("Metadata").onInterface(kPlayerInterface).withGetter([] {
      return Properties{{"xesam:title", sdbus::Variant(std::string("Modes"))}};
    });
    object_->registerProperty("Shuffle")
        .onInterface(kPlayerInterface)
        .withGetter([this] { return shuffle; })
        .withSetter([this](const bool& value) { sets.push_back("Shuffle " + std::string(value ? "true" : "false")); });
    object_->registerProperty("LoopStatus")
        .onInterface(kPlayerInterface)
        .withGetter([this] { return loop; })
        .withSetter([this](const std::string& value) { sets.push_back("LoopStatus " + value); });
    object_->finishRegistration();
    bus.requestName("org.mpris.MediaPlayer2.modes");
  }
  bool shuffle = false;
  std::string loop = "Playlist";
  std::vector<std::string> sets;

 private:
  std::unique_ptr<sdbus::IObject> object_;
};

class MprisSourceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    auto started = session_bus::startPrivateBus(error, true);
    ASSERT_TRUE(started) << error;
    bus = *started;
  }
  static void TearDownTestSuite() { session_bus::stopPrivateBus(bus); }

  void SetUp() override {
    main_loop::runUntilIdle();  // claims the main thread
    prepared_images::clear();
    playerBus = sdbus::createSessionBusConnectionWithAddress(bus.address);
    sourceBus = sdbus::createSessionBusConnectionWithAddress(bus.address);
    player = std::make_unique<UnitPlayer>(*playerBus);
    source = MprisSource::start(*sourceBus, "unit");
    ASSERT_TRUE(pumpUntil([&] { return title() == "Start"; })) << source->describe();
  }
  void TearDown() override {
    main_loop::runUntilIdle();
    source.reset();
    main_loop::runUntilIdle();
    prepared_images::clear();
    std::error_code ec;
    fs::remove_all(folder, ec);
  }

  // Services both connections (and any `more`) and the main queue until `done` (bounded).
  bool pumpUntil(const std::function<bool()>& done, std::chrono::seconds limit = 30s,
                 const std::vector<sdbus::IConnection*>& more = {}) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      for (sdbus::IConnection* connection : more)
        while (connection->processPendingRequest()) {
        }
      while (playerBus->processPendingRequest()) {
      }
      while (sourceBus->processPendingRequest()) {
      }
      main_loop::runUntilIdle();
      if (done()) return true;
      std::this_thread::sleep_for(2ms);
    }
    return done();
  }
  std::string title() {
    auto info = source->nowPlayingInfo();
    auto it = info ? info->find(kMRMediaRemoteNowPlayingInfoTitle) : plist::Dictionary::iterator{};
    return info && it != info->end() && it->second.string() ? *it->second.string() : "<none>";
  }
  const plist::Data* artwork(const std::optional<plist::Dictionary>& info) {
    auto it = info ? info->find(kMRMediaRemoteNowPlayingInfoArtworkData) : plist::Dictionary::const_iterator{};
    return info && it != info->end() ? it->second.data() : nullptr;
  }
  // A small PNG cover written to a file of its own; its URL.
  std::string cover(int which) {
    auto bytes = *NowPlayingPlayer::builtInPlaylist()[which].artwork;
    fs::path file = folder / ("cover" + std::to_string(which) + ".png");
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    covers[which] = bytes;
    return "file://" + file.string();
  }

  static inline session_bus::PrivateBus bus;
  std::unique_ptr<sdbus::IConnection> playerBus, sourceBus;
  std::unique_ptr<UnitPlayer> player;
  std::shared_ptr<MprisSource> source;
  fs::path folder = device_fs::makeTemporaryFolder("velloway-mpris-unit");
  std::map<int, plist::Data> covers;
};

TEST_F(MprisSourceTest, SignalsArrivingInOnePassAreAppliedOnceAfterIt) {
  constexpr int kSignals = 3000;
  for (int i = 1; i <= kSignals; ++i) player->track("Flood " + std::to_string(i));
  while (playerBus->processPendingRequest()) {
  }
  const std::string last = "Flood " + std::to_string(kSignals);
  int busyPasses = 0;
  for (auto end = std::chrono::steady_clock::now() + 30s; title() != last && std::chrono::steady_clock::now() < end;) {
    while (playerBus->processPendingRequest()) {
    }
    std::string before = title();
    int handled = 0;
    while (sourceBus->processPendingRequest()) ++handled;
    if (handled > 0) {
      ++busyPasses;
      // Nothing is applied while a pass handles its signals; one update waits for its end.
      EXPECT_EQ(title(), before);
      EXPECT_LE(main_loop::pendingOnMainQueue(), 1u);
    }
    main_loop::runUntilIdle();
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_EQ(title(), last);
  EXPECT_GT(busyPasses, 0);
}

TEST_F(MprisSourceTest, ATrackIsPublishedWithItsDecodedCoverAndTheSameImageReachesUIImage) {
  std::string url = cover(1);
  player->track("Blue", url);
  bool withoutCover = false;
  ASSERT_TRUE(pumpUntil([&] {
    auto info = source->nowPlayingInfo();
    if (title() == "Blue" && !artwork(info)) withoutCover = true;
    return title() == "Blue";
  }));
  EXPECT_FALSE(withoutCover) << "the track was published before its cover";
  auto info = source->nowPlayingInfo();
  ASSERT_TRUE(artwork(info));
  EXPECT_EQ(*artwork(info), covers[1]);
  EXPECT_EQ(source->describe()["artwork"]["url"], url);
  // What the tweak does with the bytes: the image prepared on the worker, not a new decode.
  auto prepared = prepared_images::find(*artwork(info));
  ASSERT_TRUE(prepared);
  EXPECT_EQ(UIImage::imageWithData(*artwork(info)), prepared);
  EXPECT_EQ(prepared->digest(), UIImage::decodedImage(covers[1])->digest());

  // A cover that is not an image, or not a local file: the track without artwork.
  fs::path garbage = folder / "garbage.png";
  std::ofstream(garbage) << "not a picture";
  player->track("Garbage", "file://" + garbage.string());
  ASSERT_TRUE(pumpUntil([&] { return title() == "Garbage"; }));
  EXPECT_FALSE(artwork(source->nowPlayingInfo()));
  player->track("Remote", "https://example.invalid/cover.png");
  ASSERT_TRUE(pumpUntil([&] { return title() == "Remote"; }));
  EXPECT_FALSE(artwork(source->nowPlayingInfo()));
}

TEST_F(MprisSourceTest, WhenThePlayerLeavesNothingOfItStays) {
  std::string url = cover(2);
  player->track(std::string(10'000'000, 'T'), url);
  ASSERT_TRUE(pumpUntil([&] { return artwork(source->nowPlayingInfo()) != nullptr; }));
  EXPECT_EQ(title(), std::string(MprisPlayerState::kTextLimit, 'T'));
  EXPECT_EQ(prepared_images::count(), 1u);

  player->leave();
  ASSERT_TRUE(pumpUntil([&] { return source->describe()["player"].is_null(); }));
  auto info = source->nowPlayingInfo();
  // An empty item: no title, no artwork, modes off; nothing decoded for the player is kept.
  ASSERT_TRUE(info);
  EXPECT_EQ(title(), "<none>");
  EXPECT_FALSE(artwork(info));
  EXPECT_FALSE(info->count(kMRMediaRemoteNowPlayingInfoArtist));
  EXPECT_EQ((*info)[kMRMediaRemoteNowPlayingInfoRepeatMode].integerValue(), 0);
  EXPECT_EQ((*info)[kMRMediaRemoteNowPlayingInfoPlaybackRate].doubleValue(), 0.0);
  EXPECT_EQ(prepared_images::count(), 0u);
  EXPECT_TRUE(source->describe()["artwork"]["url"].is_null());
}

TEST_F(MprisSourceTest, ModesAdvanceFromWhatThePlayerHoldsNotFromWhatItLastSaid) {
  auto modesBus = sdbus::createSessionBusConnectionWithAddress(bus.address);
  auto modesSourceBus = sdbus::createSessionBusConnectionWithAddress(bus.address);
  ModesPlayer modes(*modesBus);
  auto modesSource = MprisSource::start(*modesSourceBus, "modes");
  auto pump = [&](const std::function<bool()>& done) { return pumpUntil(done, 30s, {modesBus.get(), modesSourceBus.get()}); };
  // Its modes are known once the repeat mode shows Playlist's.
  ASSERT_TRUE(pump([&] {
    auto info = modesSource->nowPlayingInfo();
    return info && info->count(kMRMediaRemoteNowPlayingInfoRepeatMode) &&
           (*info)[kMRMediaRemoteNowPlayingInfoRepeatMode].integerValue() != 0;
  })) << modesSource->describe();
  // Both change without a PropertiesChanged: the commands go from the new values.
  modes.shuffle = true;
  modes.loop = "Track";
  modesSource->performCommand(kMRAdvanceShuffleMode);
  modesSource->performCommand(kMRAdvanceRepeatMode);
  ASSERT_TRUE(pump([&] { return modes.sets.size() == 2; })) << modesSource->describe();
  EXPECT_EQ(modes.sets, (std::vector<std::string>{"Shuffle false", "LoopStatus None"}));
  EXPECT_TRUE(modesSource->describe()["refused"].empty()) << modesSource->describe();
  modesSource.reset();
  main_loop::runUntilIdle();
}

TEST_F(MprisSourceTest, CommandsAndRefusalsKeepTheLatestAndCountTheRest) {
  // The player has no Shuffle: each shuffle command is refused at once.
  for (int i = 0; i < 150; ++i) source->performCommand(kMRAdvanceShuffleMode);
  source->performCommand(kMRAdvanceRepeatMode);
  auto described = source->describe();
  EXPECT_EQ(described["refused"].size(), MprisSource::kKept);
  EXPECT_EQ(described["refusedDropped"], 151 - MprisSource::kKept);
  EXPECT_EQ(described["refused"].back(), "7: the player has no LoopStatus");
  auto commands = source->commands();
  ASSERT_EQ(commands.size(), MprisSource::kKept);
  EXPECT_EQ(commands.back(), kMRAdvanceRepeatMode);
  EXPECT_EQ(commands.front(), kMRAdvanceShuffleMode);
  EXPECT_EQ(described["commandsDropped"], 151 - MprisSource::kKept);
}

}  // namespace
