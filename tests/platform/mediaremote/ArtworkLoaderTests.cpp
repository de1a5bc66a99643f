// Artwork read and decoded off the main thread: only the latest request is handed on, on the
// main queue, and the image handed on is the one UIImage gives for the bytes.
#include <gtest/gtest.h>

#include <condition_variable>
#include <thread>

#include "platform/dispatch/Dispatch.hpp"
#include "platform/mediaremote/ArtworkLoader.hpp"
#include "platform/mediaremote/NowPlayingPlayer.hpp"
#include "platform/uikit/PreparedImages.hpp"

namespace {

using namespace std::chrono_literals;

// A reader that holds the worker on "slow" until released, and answers a small PNG per URL.
struct GatedReader {
  std::mutex mutex;
  std::condition_variable changed;
  bool entered = false, released = false;
  std::vector<std::string> read;

  std::optional<plist::Data> operator()(const std::string& url) {
    std::unique_lock lock(mutex);
    read.push_back(url);
    if (url == "slow") {
      entered = true;
      changed.notify_all();
      changed.wait(lock, [&] { return released; });
    }
    if (url == "none") return std::nullopt;
    if (url == "garbage") return plist::Data{1, 2, 3};
    static const auto covers = NowPlayingPlayer::builtInPlaylist();
    return *covers[url.size() % covers.size()].artwork;
  }
};

class ArtworkLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    main_loop::runUntilIdle();  // claims the main thread
    prepared_images::clear();
  }
  void TearDown() override {
    main_loop::drainMainQueue();
    prepared_images::clear();
  }

  // Drains the main queue until `count` results have arrived (bounded).
  bool results(size_t count) {
    for (int i = 0; i < 2000 && got.size() < count; ++i) {
      main_loop::drainMainQueue();
      std::this_thread::sleep_for(5ms);
    }
    return got.size() == count;
  }

  std::shared_ptr<GatedReader> reader = std::make_shared<GatedReader>();
  std::vector<ArtworkLoader::Result> got;
  ArtworkLoader loader{[r = reader](const std::string& url) { return (*r)(url); },
                       [this](ArtworkLoader::Result result) {
                         EXPECT_TRUE(main_loop::isMainThread());
                         got.push_back(std::move(result));
                       }};
};

TEST_F(ArtworkLoaderTest, OnlyTheLatestRequestIsHandedOn) {
  loader.request({"p", "slow"});
  {
    std::unique_lock lock(reader->mutex);
    ASSERT_TRUE(reader->changed.wait_for(lock, 20s, [&] { return reader->entered; }));
  }
  // While "slow" is read: "ab" waits, then "abc" replaces it before it starts.
  loader.request({"p", "ab"});
  loader.request({"p", "abc"});
  EXPECT_EQ(loader.wanted(), (ArtworkLoader::Request{"p", "abc"}));
  {
    std::lock_guard lock(reader->mutex);
    reader->released = true;
  }
  reader->changed.notify_all();
  ASSERT_TRUE(results(1));
  main_loop::drainMainQueue();
  std::this_thread::sleep_for(50ms);
  main_loop::drainMainQueue();
  ASSERT_EQ(got.size(), 1u) << "a superseded request was handed on";
  EXPECT_EQ(got[0].request.url, "abc");
  EXPECT_EQ(reader->read, (std::vector<std::string>{"slow", "abc"})) << "a replaced request was still read";

  // The image handed on is the one UIImage gives for the bytes, decoded once.
  ASSERT_TRUE(got[0].bytes && got[0].image);
  EXPECT_EQ(UIImage::imageWithData(*got[0].bytes), got[0].image);
  EXPECT_EQ(got[0].image->digest(), UIImage::decodedImage(*got[0].bytes)->digest());
}

TEST_F(ArtworkLoaderTest, UnreadableOrUndecodableCoversAreHandedOnAsNoArtwork) {
  loader.request({"p", "none"});
  ASSERT_TRUE(results(1));
  loader.request({"p", "garbage"});
  ASSERT_TRUE(results(2));
  for (const auto& r : got) {
    EXPECT_FALSE(r.bytes) << r.request.url;
    EXPECT_FALSE(r.image) << r.request.url;
  }
  EXPECT_EQ(prepared_images::count(), 0u);
}

TEST_F(ArtworkLoaderTest, ForgettingAnOwnerDropsItsRequestAndItsPreparedImages) {
  loader.request({"gone", "a"});
  ASSERT_TRUE(results(1));
  loader.request({"stays", "ab"});
  ASSERT_TRUE(results(2));
  EXPECT_EQ(prepared_images::count(), 2u);
  loader.forget("gone");
  EXPECT_EQ(prepared_images::count(), 1u);
  EXPECT_FALSE(prepared_images::find(*got[0].bytes));
  EXPECT_EQ(prepared_images::find(*got[1].bytes), got[1].image);

  loader.request({"gone", "slow"});
  {
    std::unique_lock lock(reader->mutex);
    ASSERT_TRUE(reader->changed.wait_for(lock, 20s, [&] { return reader->entered; }));
  }
  loader.forget("gone");  // while its cover is being read
  {
    std::lock_guard lock(reader->mutex);
    reader->released = true;
  }
  reader->changed.notify_all();
  for (int i = 0; i < 4000 && loader.wanted(); ++i) std::this_thread::sleep_for(5ms);
  main_loop::drainMainQueue();
  EXPECT_EQ(got.size(), 2u);
  EXPECT_EQ(prepared_images::count(), 1u) << "the gone owner's cover stayed prepared";
}

}  // namespace
