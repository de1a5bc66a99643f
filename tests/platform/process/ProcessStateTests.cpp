// One reset for the whole process: each kind of process-wide state is back to new after it, and
// what loaded code registered stays.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/corefoundation/CFNotificationCenter.hpp"
#include "platform/device/DeviceProfile.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "platform/foundation/NSLog.hpp"
#include "platform/foundation/NSNotificationCenter.hpp"
#include "platform/foundation/NSUserDefaults.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/fs/TemporaryFolder.hpp"
#include "platform/mediaremote/NowPlayingPlayer.hpp"
#include "platform/mediaremote/NowPlayingSource.hpp"
#include "platform/process/ProcessState.hpp"
#include "platform/uikit/PreparedImages.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UIAppearance.hpp"
#include "platform/uikit/UISwitch.hpp"
#include "tests/support/DeviceRootTest.hpp"

namespace {

namespace fs = std::filesystem;

class ProcessReset : public test_support::ProcessStateTest {};

// Counts the calls into the int its observer pointer names.
void countCall(CFNotificationCenterRef, void* counter, const std::string&, const void*, const void*) {
  ++*static_cast<int*>(counter);
}

TEST_F(ProcessReset, DropsObserversAndPostingsButKeepsThoseOfLoadedCode) {
  // The observers of loaded code stay for good: names of this run only, counters that outlive it.
  static int run = 0, darwinCalls, loadedDarwinCalls;
  static auto blockCalls = std::make_shared<int>(), loadedBlockCalls = std::make_shared<int>();
  darwinCalls = loadedDarwinCalls = *blockCalls = *loadedBlockCalls = 0;
  const std::string local = "test.reset.local." + std::to_string(run), darwinName = "test.reset.darwin." + std::to_string(run);
  ++run;
  auto& center = NSNotificationCenter::defaultCenter();
  auto* darwin = CFNotificationCenterGetDarwinNotifyCenter();
  center.addObserverForName(local, [calls = blockCalls](const std::string&) { ++*calls; });
  {
    process_state::LoadingCode loading;  // as a library's initialiser would
    center.addObserverForName(local, [calls = loadedBlockCalls](const std::string&) { ++*calls; });
    CFNotificationCenterAddObserver(darwin, &loadedDarwinCalls, countCall, darwinName, nullptr,
                                    CFNotificationSuspensionBehaviorCoalesce);
  }
  CFNotificationCenterAddObserver(darwin, &darwinCalls, countCall, darwinName, nullptr,
                                  CFNotificationSuspensionBehaviorDeliverImmediately);
  CFNotificationCenterPostNotification(darwin, darwinName, nullptr, nullptr, true);
  main_loop::runUntilIdle();
  ASSERT_EQ(darwinCalls, 1);
  ASSERT_EQ(loadedDarwinCalls, 1);
  ASSERT_EQ(darwin_notify::posted().size(), 1u);
  ASSERT_EQ(darwin_notify::deliveries().at(darwinName), 2u);

  process_state::reset();

  EXPECT_TRUE(darwin_notify::posted().empty());
  EXPECT_TRUE(darwin_notify::deliveries().empty());
  EXPECT_EQ(darwin_notify::observerCount(darwinName), 1u) << "the observer of loaded code only";
  CFNotificationCenterPostNotification(darwin, darwinName, nullptr, nullptr, true);
  main_loop::runUntilIdle();
  EXPECT_EQ(darwinCalls, 1) << "an observer registered at run time is gone";
  EXPECT_EQ(loadedDarwinCalls, 2) << "the observer of loaded code stays";
  center.postNotificationName(local);
  EXPECT_EQ(*blockCalls, 0) << "an observer registered at run time is gone";
  EXPECT_EQ(*loadedBlockCalls, 1) << "the observer of loaded code stays";
}

TEST_F(ProcessReset, EmptiesTheMainQueueAndTheTimersAndStartsTheClockAgain) {
  bool ran = false;
  sim_clock::advance(2.5);
  dispatch_async(dispatch_get_main_queue(), [&] { ran = true; });
  sim_clock::schedule(1.0, [&] { ran = true; });
  dispatch_after(3.0, dispatch_get_main_queue(), [&] { ran = true; });
  ASSERT_EQ(main_loop::pendingOnMainQueue(), 1u);
  ASSERT_EQ(sim_clock::pendingTimers(), 2u);
  ASSERT_EQ(sim_clock::now(), 2.5);

  process_state::reset();

  EXPECT_EQ(main_loop::pendingOnMainQueue(), 0u);
  EXPECT_EQ(sim_clock::pendingTimers(), 0u);
  EXPECT_EQ(sim_clock::now(), 0.0);
  sim_clock::advance(10);
  main_loop::runUntilIdle();
  EXPECT_FALSE(ran) << "nothing queued before the reset runs after it";
}

TEST_F(ProcessReset, ForgetsTheDeviceTheLogAndTheDefaults) {
  fs::path folder = device_fs::makeTemporaryFolder("velloway-reset-test");
  device_fs::useRoot(folder / "root");
  deviceProfile().screen = {414, 896};
  deviceProfile().language = "de";
  NSLog("a line before the reset");
  system_log::setSender("reset-test[1]");
  NSUserDefaults::setApplicationDomain("com.example.reset");
  ASSERT_EQ(NSUserDefaults::standardUserDefaults()->domain(), "com.example.reset");
  ClassRegistry::withdraw("NSBundle");
  ASSERT_EQ(NSClassFromString("NSBundle"), nullptr);

  process_state::reset();

  EXPECT_FALSE(device_fs::hasRoot()) << "no device root chosen";
  EXPECT_EQ(deviceProfile().screen.width, DeviceProfile{}.screen.width);
  EXPECT_EQ(deviceProfile().screen.height, DeviceProfile{}.screen.height);
  EXPECT_EQ(deviceProfile().language, DeviceProfile{}.language);
  EXPECT_TRUE(system_log::lines().empty());
  EXPECT_NE(system_log::sender(), "reset-test[1]");
  EXPECT_EQ(NSUserDefaults::standardUserDefaults()->domain(), "com.apple.Preferences");
  EXPECT_NE(NSClassFromString("NSBundle"), nullptr) << "a withdrawn class is back";
  fs::remove_all(folder);
}

class FixedSource final : public NowPlayingSource {
 public:
  std::optional<plist::Dictionary> nowPlayingInfo() const override { return std::nullopt; }
  bool performCommand(int) override { return false; }
  std::vector<int> commands() const override { return {}; }
  std::string kind() const override { return "fixed"; }
  nlohmann::json describe() const override { return {{"source", "fixed"}}; }
};

TEST_F(ProcessReset, ClosesAlertsAndForgetsImagesAppearanceAndWhatPlays) {
  auto alert =
      std::make_shared<UIAlertView>("Title", "Message", std::weak_ptr<UIAlertViewDelegate>(), "OK", std::vector<std::string>{});
  alert->show();
  ASSERT_EQ(alert_center::onScreen(), alert);
  auto& player = NowPlayingPlayer::shared();
  auto playlist = NowPlayingPlayer::builtInPlaylist();
  ASSERT_TRUE(playlist.front().artwork);
  player.setPlaylist(playlist, 0, false);
  player.setPlaying(true, false);
  ASSERT_TRUE(player.currentItem());
  auto artwork = std::make_shared<const std::vector<uint8_t>>(*playlist.front().artwork);
  ASSERT_TRUE(prepared_images::prepare(artwork));
  ASSERT_EQ(prepared_images::count(), 1u);
  UISwitch::appearanceWhenContainedIn(UIView::staticClassInfo())->setOnTintColor(UIColor::colorWithRed(1, 0, 0, 1));
  ASSERT_FALSE(UIAppearance::describe().empty());
  media_remote::useSource(std::make_shared<FixedSource>());
  ASSERT_EQ(media_remote::source().kind(), "fixed");

  process_state::reset();

  EXPECT_EQ(alert_center::onScreen(), nullptr);
  EXPECT_FALSE(player.currentItem());
  EXPECT_FALSE(player.isPlaying());
  EXPECT_EQ(prepared_images::count(), 0u);
  EXPECT_TRUE(UIAppearance::describe().empty());
  EXPECT_EQ(media_remote::source().kind(), "builtin");
}

TEST(ProcessStateRegistry, ResetsTheLatestMadeFirstAndNamesEachPieceOnce) {
  static std::vector<std::string> order;
  [[maybe_unused]] static const bool registered = [] {  // pieces are made once a process
    process_state::registerReset("test piece made first", [] { order.push_back("first"); });
    process_state::registerReset("test piece made second", [] { order.push_back("second"); });
    return true;
  }();
  order.clear();
  process_state::reset();
  EXPECT_EQ(order, (std::vector<std::string>{"second", "first"}));

  // The pieces register as they are first made, each once however often it is reached.
  deviceProfile();
  NowPlayingPlayer::shared();
  NowPlayingPlayer::shared();
  auto names = process_state::registered();
  EXPECT_EQ(std::count(names.begin(), names.end(), "device profile"), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "now-playing player"), 1);
  auto made = [&](const std::string& name) { return std::find(names.begin(), names.end(), name) - names.begin(); };
  EXPECT_LT(made("test piece made first"), made("test piece made second"));
}

}  // namespace
