// The media-remote stand-in: the built-in player's commands, the change notification, the
// now-playing answer, and the stock media controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "platform/dispatch/Dispatch.hpp"
#include "platform/foundation/NSNotificationCenter.hpp"
#include "platform/mediaremote/MPUSystemMediaControlsViewController.hpp"
#include "platform/mediaremote/MediaRemote.hpp"
#include "platform/mediaremote/NowPlayingPlayer.hpp"
#include "platform/mediaremote/NowPlayingSource.hpp"
#include "platform/uikit/UIWindow.hpp"

namespace {

// Counts change notifications, and those delivered off the main thread. Observers cannot be
// removed, so there is one for the whole process.
struct Posts {
  std::atomic<int> count{0};
  std::atomic<int> offMain{0};
};

Posts& posts() {
  static Posts* p = [] {
    auto* p = new Posts;
    NSNotificationCenter::defaultCenter().addObserverForName(kMRMediaRemoteNowPlayingInfoDidChangeNotification,
                                                             [p](const std::string&) {
                                                               ++p->count;
                                                               if (!main_loop::isMainThread()) ++p->offMain;
                                                             });
    return p;
  }();
  return *p;
}

// A queue that only keeps what it is given, so a test can see what went where.
class RecordingQueue final : public DispatchQueue {
 public:
  void async(std::function<void()> block) override { blocks.push_back(std::move(block)); }
  const char* label() const override { return "test.recording"; }
  size_t runAll() {
    auto taken = std::move(blocks);
    blocks.clear();
    for (auto& b : taken) b();
    return taken.size();
  }
  std::vector<std::function<void()>> blocks;
};

NowPlayingItem item(std::string title, std::string artist = "Artist", std::optional<double> duration = std::nullopt) {
  NowPlayingItem i;
  i.title = std::move(title);
  i.artist = std::move(artist);
  i.album = "Album";
  i.duration = duration;
  return i;
}

std::vector<NowPlayingItem> items(std::initializer_list<const char*> titles) {
  std::vector<NowPlayingItem> out;
  for (const char* t : titles) out.push_back(item(t));
  return out;
}

std::string currentTitle() {
  auto i = NowPlayingPlayer::shared().currentItem();
  return i && i->title ? *i->title : "<none>";
}

class MediaRemoteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    posts();
    main_loop::runUntilIdle();  // claims the main thread for this one, drains earlier posts
    player.reset();
    posts().count = 0;
    posts().offMain = 0;
  }
  void TearDown() override { main_loop::runUntilIdle(); }

  // Sends a command and returns the title it leads to.
  std::string after(int command) {
    MRMediaRemoteSendCommand(command, nullptr);
    return currentTitle();
  }

  NowPlayingPlayer& player = NowPlayingPlayer::shared();
};

// ---- commands ----

TEST_F(MediaRemoteTest, TogglePlayPauseAndElapsedTimeOnTheSimulatedClock) {
  player.setCurrentItem(item("A", "Artist", 100.0));
  EXPECT_FALSE(player.isPlaying());
  EXPECT_TRUE(MRMediaRemoteSendCommand(kMRTogglePlayPause, nullptr));
  EXPECT_TRUE(player.isPlaying());
  EXPECT_EQ((*player.nowPlayingInfo())[kMRMediaRemoteNowPlayingInfoPlaybackRate].doubleValue(), 1.0);
  sim_clock::advance(30);
  EXPECT_DOUBLE_EQ(player.elapsedTime(), 30);
  MRMediaRemoteSendCommand(kMRTogglePlayPause, nullptr);
  EXPECT_FALSE(player.isPlaying());
  sim_clock::advance(30);
  EXPECT_DOUBLE_EQ(player.elapsedTime(), 30);  // paused: time stands still
  MRMediaRemoteSendCommand(kMRTogglePlayPause, nullptr);
  sim_clock::advance(500);
  EXPECT_DOUBLE_EQ(player.elapsedTime(), 100);  // stops at the duration
  EXPECT_EQ(currentTitle(), "A");               // tracks do not end by themselves
}

TEST_F(MediaRemoteTest, NextAndPreviousAtTheEndsForEachRepeatMode) {
  player.setPlaylist(items({"A", "B", "C"}), 0);
  player.setPlaying(true);

  // Off: next walks to the end, then the queue ends on the first item, paused.
  EXPECT_EQ(after(kMRNextTrack), "B");
  EXPECT_EQ(after(kMRNextTrack), "C");
  EXPECT_TRUE(player.isPlaying());
  EXPECT_EQ(after(kMRNextTrack), "A");
  EXPECT_FALSE(player.isPlaying());
  EXPECT_EQ(after(kMRPreviousTrack), "A");  // at the start: the first starts over
  EXPECT_EQ(after(kMRNextTrack), "B");
  EXPECT_EQ(after(kMRPreviousTrack), "A");

  // All: both ends wrap, playback goes on.
  player.setRepeatMode(NowPlayingPlayer::kRepeatAll);
  player.setPlaying(true);
  EXPECT_EQ(after(kMRPreviousTrack), "C");
  EXPECT_EQ(after(kMRNextTrack), "A");
  EXPECT_TRUE(player.isPlaying());

  // One: only a track ending by itself repeats; next still moves on, and the queue still ends.
  player.setRepeatMode(NowPlayingPlayer::kRepeatOne);
  EXPECT_EQ(after(kMRNextTrack), "B");
  EXPECT_EQ(after(kMRNextTrack), "C");
  EXPECT_EQ(after(kMRNextTrack), "A");
  EXPECT_FALSE(player.isPlaying());

  // A paused player stays paused when skipping; a new track starts from its beginning.
  player.setRepeatMode(NowPlayingPlayer::kRepeatOff);
  player.setPlaying(true);
  sim_clock::advance(12);
  EXPECT_DOUBLE_EQ(player.elapsedTime(), 12);
  MRMediaRemoteSendCommand(kMRTogglePlayPause, nullptr);
  EXPECT_EQ(after(kMRNextTrack), "B");
  EXPECT_FALSE(player.isPlaying());
  EXPECT_DOUBLE_EQ(player.elapsedTime(), 0);
}

TEST_F(MediaRemoteTest, RepeatAndShuffleModesAdvanceInTheirCycles) {
  player.setCurrentItem(item("A"));
  std::vector<int> repeats;
  for (int i = 0; i < 4; ++i) {
    MRMediaRemoteSendCommand(kMRAdvanceRepeatMode, nullptr);
    repeats.push_back(player.repeatMode());
  }
  EXPECT_EQ(repeats, (std::vector<int>{2, 1, 0, 2}));
  player.setRepeatMode(3);  // a value the service does not know is reported as set ...
  EXPECT_EQ((*player.nowPlayingInfo())[kMRMediaRemoteNowPlayingInfoRepeatMode].intValue(), 3);
  MRMediaRemoteSendCommand(kMRAdvanceRepeatMode, nullptr);
  EXPECT_EQ(player.repeatMode(), 0);  // ... and advances to off

  std::vector<int> shuffles;
  for (int i = 0; i < 3; ++i) {
    MRMediaRemoteSendCommand(kMRAdvanceShuffleMode, nullptr);
    shuffles.push_back(player.shuffleMode());
  }
  EXPECT_EQ(shuffles, (std::vector<int>{2, 0, 2}));
  player.setShuffleMode(NowPlayingPlayer::kShuffleAlbums);
  MRMediaRemoteSendCommand(kMRAdvanceShuffleMode, nullptr);
  EXPECT_EQ(player.shuffleMode(), 0);
}

TEST_F(MediaRemoteTest, ShuffleVisitsEveryItemOnceFromTheCurrentOneAndIsRepeatable) {
  auto shuffledVisit = [&] {
    player.reset();
    player.setPlaylist(items({"A", "B", "C", "D", "E", "F"}), 2);
    player.setRepeatMode(NowPlayingPlayer::kRepeatAll);
    MRMediaRemoteSendCommand(kMRAdvanceShuffleMode, nullptr);
    std::vector<std::string> visited{currentTitle()};
    for (int i = 0; i < 5; ++i) visited.push_back(after(kMRNextTrack));
    EXPECT_EQ(after(kMRNextTrack), visited.front());  // wraps to the start of the order
    return visited;
  };
  auto first = shuffledVisit();
  EXPECT_EQ(first.front(), "C");  // shuffling keeps the current item playing
  auto sorted = first;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<std::string>{"A", "B", "C", "D", "E", "F"}));
  EXPECT_NE(first, (std::vector<std::string>{"C", "D", "E", "F", "A", "B"}));  // really shuffled
  EXPECT_EQ(shuffledVisit(), first);                                           // the same on every run

  // Turning shuffle off goes back to playlist order from the current item.
  MRMediaRemoteSendCommand(kMRAdvanceShuffleMode, nullptr);
  std::string now = currentTitle();
  std::string expectedNext(1, now[0] == 'F' ? 'A' : char(now[0] + 1));
  EXPECT_EQ(after(kMRNextTrack), expectedNext);
}

TEST_F(MediaRemoteTest, NothingToPlayOrAnUnknownCodeChangesNothingButIsRecorded) {
  for (int code : {2, 4, 5, 6, 7}) EXPECT_FALSE(MRMediaRemoteSendCommand(code, nullptr));
  EXPECT_EQ(main_loop::pendingOnMainQueue(), 0u);
  EXPECT_EQ(player.repeatMode(), 0);
  EXPECT_EQ(player.shuffleMode(), 0);
  EXPECT_FALSE(player.isPlaying());

  player.setPlaylist(items({"A", "B"}), 0);
  main_loop::runUntilIdle();
  posts().count = 0;
  auto before = player.nowPlayingInfo();
  for (int code : {0, 1, 3, 8, -1, 99}) EXPECT_FALSE(MRMediaRemoteSendCommand(code, nullptr));
  main_loop::runUntilIdle();
  EXPECT_EQ(posts().count, 0);
  EXPECT_EQ(player.nowPlayingInfo(), before);
  EXPECT_EQ(player.commands(), (std::vector<int>{2, 4, 5, 6, 7, 0, 1, 3, 8, -1, 99}));

  player.clear();
  EXPECT_FALSE(player.nowPlayingInfo());
  EXPECT_FALSE(MRMediaRemoteSendCommand(kMRNextTrack, nullptr));
  player.reset();
  EXPECT_TRUE(player.commands().empty());
}

TEST_F(MediaRemoteTest, TheCommandListKeepsTheLatestCodesAndCountsTheOthers) {
  player.setPlaylist(items({"A", "B"}), 0, false);
  const size_t sent = NowPlayingPlayer::kKeptCommands + 250;
  for (size_t i = 0; i < sent; ++i) MRMediaRemoteSendCommand(i % 2 ? kMRNextTrack : kMRAdvanceRepeatMode, nullptr);
  auto commands = player.commands();
  ASSERT_EQ(commands.size(), NowPlayingPlayer::kKeptCommands);
  EXPECT_EQ(commands.back(), kMRNextTrack);  // the last one sent
  EXPECT_EQ(commands.front(), kMRAdvanceRepeatMode);
  EXPECT_EQ(player.commandsDropped(), 250u);
  EXPECT_EQ(player.snapshot().commands, commands);
  EXPECT_EQ(media_remote::source().describe()["commandsDropped"], 250);
  player.reset();
  EXPECT_EQ(player.commandsDropped(), 0u);
}

// ---- the change notification ----

TEST_F(MediaRemoteTest, ChangeNotificationFollowsEachChangeOnTheMainQueueOnly) {
  player.setCurrentItem(item("A"));
  EXPECT_EQ(posts().count, 0);  // after the fact, never synchronously
  main_loop::runUntilIdle();
  EXPECT_EQ(posts().count, 1);

  MRMediaRemoteSendCommand(kMRTogglePlayPause, nullptr);
  MRMediaRemoteSendCommand(kMRAdvanceRepeatMode, nullptr);
  MRMediaRemoteSendCommand(kMRNextTrack, nullptr);
  EXPECT_EQ(posts().count, 1);
  EXPECT_EQ(main_loop::runUntilIdle(), 3u);
  EXPECT_EQ(posts().count, 4);  // one per change, not coalesced

  // A command from another thread is still announced on the main thread.
  std::thread([] { MRMediaRemoteSendCommand(kMRTogglePlayPause, nullptr); }).join();
  EXPECT_EQ(posts().count, 4);
  main_loop::runUntilIdle();
  EXPECT_EQ(posts().count, 5);
  EXPECT_EQ(posts().offMain, 0);

  // Setters post unless told not to; reset never does.
  player.setRepeatMode(1, false);
  player.setShuffleMode(2, false);
  player.setCurrentItem(item("B"), false);
  player.reset();
  EXPECT_EQ(main_loop::pendingOnMainQueue(), 0u);
  player.clear();
  main_loop::runUntilIdle();
  EXPECT_EQ(posts().count, 6);
}

// ---- the now-playing answer ----

TEST_F(MediaRemoteTest, InfoCarriesTheItemsEntriesAndLeavesOutWhatItLacks) {
  NowPlayingItem i;
  i.title = "Song";
  i.artist = "Singer";
  i.artwork = plist::Data{0xFF, 0xD8, 0x00};
  player.setCurrentItem(i);
  player.setRepeatMode(1);
  player.setShuffleMode(2);
  auto info = player.nowPlayingInfo();
  ASSERT_TRUE(info);
  const plist::Value v(*info);
  EXPECT_EQ(*v[kMRMediaRemoteNowPlayingInfoTitle].string(), "Song");
  EXPECT_EQ(*v[kMRMediaRemoteNowPlayingInfoArtist].string(), "Singer");
  EXPECT_EQ(*v[kMRMediaRemoteNowPlayingInfoArtworkData].data(), (plist::Data{0xFF, 0xD8, 0x00}));
  EXPECT_TRUE(v[kMRMediaRemoteNowPlayingInfoRepeatMode].isInteger());
  EXPECT_EQ(v[kMRMediaRemoteNowPlayingInfoRepeatMode].intValue(), 1);
  EXPECT_EQ(v[kMRMediaRemoteNowPlayingInfoShuffleMode].intValue(), 2);
  EXPECT_FALSE(info->contains(kMRMediaRemoteNowPlayingInfoAlbum));
  EXPECT_FALSE(info->contains(kMRMediaRemoteNowPlayingInfoDuration));
  EXPECT_EQ(kMRMediaRemoteNowPlayingInfoDidChangeNotification, "kMRMediaRemoteNowPlayingInfoDidChangeNotification");
}

TEST_F(MediaRemoteTest, CompletionRunsOnceLaterAndOnlyOnTheQueueGiven) {
  RecordingQueue queue;
  int calls = 0;
  std::optional<plist::Dictionary> answer;
  auto completion = [&](std::optional<plist::Dictionary> info) {
    ++calls;
    answer = std::move(info);
    EXPECT_TRUE(main_loop::isMainThread());
  };

  // No item: the answer is nothing.
  MRMediaRemoteGetNowPlayingInfo(&queue, completion);
  EXPECT_EQ(calls, 0);
  main_loop::runUntilIdle();
  EXPECT_EQ(calls, 0);  // not on the main queue
  EXPECT_EQ(queue.runAll(), 1u);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(answer);

  // With an item, on the main queue: after the drain, once, as it was when asked.
  player.setCurrentItem(item("Asked"));
  MRMediaRemoteGetNowPlayingInfo(dispatch_get_main_queue(), completion);
  player.setCurrentItem(item("Later"));
  EXPECT_EQ(calls, 1);
  main_loop::drainMainQueue();
  EXPECT_EQ(calls, 2);
  ASSERT_TRUE(answer);
  EXPECT_EQ(*(*answer)[kMRMediaRemoteNowPlayingInfoTitle].string(), "Asked");
  main_loop::runUntilIdle();
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(queue.blocks.empty());

  // No queue or no completion: nothing happens.
  MRMediaRemoteGetNowPlayingInfo(nullptr, completion);
  MRMediaRemoteGetNowPlayingInfo(&queue, nullptr);
  main_loop::runUntilIdle();
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(queue.blocks.empty());
}

TEST_F(MediaRemoteTest, BuiltInPlaylistHasDecodablePngArtwork) {
  auto list = NowPlayingPlayer::builtInPlaylist();
  ASSERT_EQ(list.size(), 3u);
  for (const auto& i : list) {
    ASSERT_TRUE(i.title && i.artist && i.album && i.artwork && i.duration);
    ASSERT_GT(i.artwork->size(), 8u);
    EXPECT_EQ((plist::Data(i.artwork->begin(), i.artwork->begin() + 4)), (plist::Data{0x89, 'P', 'N', 'G'}));
  }
  EXPECT_NE(list[0].artwork, list[1].artwork);
}

// ---- the stock media controls ----

class MediaControlsTest : public MediaRemoteTest {
 protected:
  void SetUp() override {
    MediaRemoteTest::SetUp();
    window = std::make_shared<UIWindow>(CGRectMake(0, 0, 400, 300));
    window->setHidden(false);
  }

  MPUSystemMediaControlsViewControllerRef makeController() {
    const ClassInfo* cls = NSClassFromString("MPUSystemMediaControlsViewController");
    if (!cls) return nullptr;
    auto controller = std::dynamic_pointer_cast<MPUSystemMediaControlsViewController>(cls->instantiate());
    if (!controller) return nullptr;
    return controller->initWithStyle(2);
  }

  // Shows the controls in the window as the overlay does: frame (10, 95, 380, 150).
  MPUSystemMediaControlsViewRef show(const MPUSystemMediaControlsViewControllerRef& controller) {
    auto view = controller->view();
    view->setFrame(CGRectMake(10, 95, 380, 150));
    window->addSubview(view);
    return controller->controlsView();
  }

  bool tap(const UIViewRef& view) {
    CGRect r = view->convertRectToRoot(view->bounds());
    return window->sendTap(CGPointMake(r.midX(), r.midY()));
  }

  UIWindowRef window;
};

TEST_F(MediaControlsTest, FoundByNameAndMadeWithStyle2) {
  auto controller = makeController();
  ASSERT_TRUE(controller);
  EXPECT_EQ(controller->style(), 2);
  EXPECT_TRUE(controller->isKindOfClass("UIViewController"));
  EXPECT_FALSE(controller->isViewLoaded());
  auto view = controller->controlsView();
  ASSERT_TRUE(view);
  EXPECT_EQ(view->style(), 2);
  EXPECT_EQ(view->frame().size.height, MPUSystemMediaControlsViewController::kDefaultHeight);
  EXPECT_EQ(controller->view(), view);  // made once
}

TEST_F(MediaControlsTest, ButtonsSendPreviousPlayPauseAndNextThroughTaps) {
  player.setPlaylist(items({"A", "B", "C"}), 1);
  auto controller = makeController();
  auto view = show(controller);
  EXPECT_TRUE(tap(view->previousButton()));
  EXPECT_TRUE(tap(view->playPauseButton()));
  EXPECT_TRUE(tap(view->nextButton()));
  EXPECT_FALSE(tap(view->titleLabel()));  // the texts are not buttons
  EXPECT_EQ(player.commands(), (std::vector<int>{5, 2, 4}));
  EXPECT_EQ(currentTitle(), "B");
  EXPECT_TRUE(player.isPlaying());
}

TEST_F(MediaControlsTest, TextsFollowTheNowPlayingChanges) {
  player.setPlaylist(NowPlayingPlayer::builtInPlaylist(), 0);
  auto controller = makeController();
  auto view = show(controller);
  EXPECT_EQ(view->titleLabel()->text(), "Velvet Morning");  // filled when made
  EXPECT_EQ(view->artistLabel()->text(), "The Reachables");
  EXPECT_EQ(view->playPauseButton()->titleForState(0), "Play");

  tap(view->nextButton());
  tap(view->playPauseButton());
  EXPECT_EQ(view->titleLabel()->text(), "Velvet Morning");  // not before the notification
  main_loop::runUntilIdle();
  EXPECT_EQ(view->titleLabel()->text(), "Swipe Up Slowly");
  EXPECT_EQ(view->artistLabel()->text(), "Cover Art Collective");
  EXPECT_EQ(view->playPauseButton()->titleForState(0), "Pause");

  // The time bar fills with the elapsed share of the duration (187 s).
  sim_clock::advance(93.5);
  NowPlayingPlayer::postChange();
  main_loop::runUntilIdle();
  EXPECT_DOUBLE_EQ(view->timeBarFill()->frame().size.width, 190);

  // An item without an artist, then no item at all.
  NowPlayingItem bare;
  bare.title = "Only a title";
  player.setCurrentItem(bare);
  main_loop::runUntilIdle();
  EXPECT_EQ(view->titleLabel()->text(), "Only a title");
  EXPECT_EQ(view->artistLabel()->text(), "");
  EXPECT_EQ(view->timeBarFill()->frame().size.width, 0);
  player.clear();
  main_loop::runUntilIdle();
  EXPECT_EQ(view->titleLabel()->text(), "");
  EXPECT_EQ(view->playPauseButton()->titleForState(0), "Play");

  // A change announced on another thread is applied on the main thread only.
  player.setCurrentItem(item("Elsewhere"), false);
  std::thread([] {
    NSNotificationCenter::defaultCenter().postNotificationName(kMRMediaRemoteNowPlayingInfoDidChangeNotification);
  }).join();
  EXPECT_EQ(view->titleLabel()->text(), "");
  main_loop::runUntilIdle();
  EXPECT_EQ(view->titleLabel()->text(), "Elsewhere");
}

TEST_F(MediaControlsTest, SubviewsFollowTheWidthOfTheView) {
  auto view = show(makeController());
  auto centreX = [](const UIViewRef& v) { return v->frame().midX(); };
  EXPECT_EQ(view->titleLabel()->frame(), CGRectMake(0, 16, 380, 22));
  EXPECT_EQ(view->timeBar()->frame().size.width, 380);
  EXPECT_EQ(centreX(view->playPauseButton()), 190);
  EXPECT_EQ(centreX(view->previousButton()), 190 - 88);
  EXPECT_EQ(centreX(view->nextButton()), 190 + 88);

  view->setFrame(CGRectMake(0, 0, 120, 150));  // narrow: buttons close up, still inside
  EXPECT_EQ(view->artistLabel()->frame().size.width, 120);
  EXPECT_EQ(centreX(view->playPauseButton()), 60);
  EXPECT_EQ(centreX(view->nextButton()), 100);
  EXPECT_LE(view->nextButton()->frame().maxX(), 122);

  // Resized through its superview's autoresizing too.
  auto holder = std::make_shared<UIView>(CGRectMake(0, 0, 200, 150));
  view->setFrame(CGRectMake(0, 0, 200, 150));
  view->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  holder->addSubview(view);
  holder->setFrame(CGRectMake(0, 0, 300, 150));
  EXPECT_EQ(view->titleLabel()->frame().size.width, 300);
  EXPECT_EQ(centreX(view->playPauseButton()), 150);
}

TEST_F(MediaControlsTest, GoneControlsAreNeverCalledAndShownOnesOutliveTheirController) {
  player.setPlaylist(items({"A", "B"}), 0);
  std::weak_ptr<MPUSystemMediaControlsView> goneView;
  {
    auto controller = makeController();
    goneView = controller->controlsView();
  }
  EXPECT_TRUE(goneView.expired());  // nothing (observer, buttons) keeps it alive
  MRMediaRemoteSendCommand(kMRNextTrack, nullptr);
  main_loop::runUntilIdle();  // the observer must skip it (AddressSanitizer would tell)

  // The overlay keeps only the view; its controller is let go.
  MPUSystemMediaControlsViewRef view;
  {
    auto controller = makeController();
    view = show(controller);
  }
  EXPECT_EQ(view->titleLabel()->text(), "B");
  EXPECT_TRUE(tap(view->previousButton()));
  main_loop::runUntilIdle();
  EXPECT_EQ(view->titleLabel()->text(), "A");
  EXPECT_EQ(player.commands(), (std::vector<int>{4, 5}));
}

}  // namespace
