// The home screen with the tweak loaded into it: the overlay an activation makes, coloured after
// an artwork once both its track labels are given through their setters.
#include <gtest/gtest.h>

#include "colorart/UIImage+ColorArt.hpp"
#include "colorart/UIImage+Scale.hpp"
#include "hosts/springboard/SpringBoardHost.hpp"
#include "tests/support/DeviceRootTest.hpp"
#include "tests/support/TestImages.hpp"
#include "tweak/VLWView.hpp"

namespace {

using test_images::opaque;

class HomeScreenTest : public test_support::DeviceRootTest {};

::testing::AssertionResult sameColor(const UIColorRef& actual, const UIColorRef& expected) {
  if (!actual || !expected) return ::testing::AssertionFailure() << "missing colour";
  if (actual->isEqual(*expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << actual->red() << ", " << actual->green() << ", " << actual->blue() << ") != ("
                                       << expected->red() << ", " << expected->green() << ", " << expected->blue() << ")";
}

TEST_F(HomeScreenTest, ColouringGivesTheArtistLabelThePrimaryAndTheSongLabelTheSecondaryColour) {
  SpringBoardHost host;
  host.loadTweak(SpringBoardHost::defaultTweakPath());
  ASSERT_TRUE(host.activateReachability());
  auto overlay = host.currentOverlay();
  ASSERT_TRUE(overlay);
  ASSERT_FALSE(overlay->artistAndAlbumLabel()) << "the layout makes neither track label";
  auto artist = std::make_shared<UILabel>(CGRectMake(0, 0, 100, 20));
  auto song = std::make_shared<UILabel>(CGRectMake(0, 20, 100, 20));
  overlay->setArtistAndAlbumLabel(artist);
  overlay->setSongNameLabel(song);
  // Two colours: a dark red left half and a light yellow right half. The 0.8-point intermediate
  // is one pixel on this platform, so the analysis finds no text colour and primary and secondary
  // are the same fill: what this can tell apart is a label left uncoloured or given another colour.
  auto artwork = test_images::make(64, 64, [](int x, int) { return x < 32 ? opaque(120, 10, 20) : opaque(250, 240, 120); });
  ASSERT_TRUE(overlay->performSelector("colorizeForArtwork:", artwork));
  auto expected = colorArt(scaledToSize(artwork, CGSizeMake(0.8, 0.8)));
  ASSERT_TRUE(expected);
  EXPECT_TRUE(sameColor(overlay->backgroundColor(), expected->backgroundColor()));
  EXPECT_TRUE(sameColor(artist->textColor(), expected->primaryColor()));
  EXPECT_TRUE(sameColor(song->textColor(), expected->secondaryColor()));
  EXPECT_FALSE(sameColor(artist->textColor(), expected->backgroundColor())) << "text on the background, not in it";
  // No artwork: every colour is none.
  ASSERT_TRUE(overlay->performSelector("colorizeForArtwork:", nullptr));
  EXPECT_EQ(overlay->backgroundColor(), nullptr);
  EXPECT_EQ(artist->textColor(), nullptr);
  EXPECT_EQ(song->textColor(), nullptr);
}

TEST_F(HomeScreenTest, OverlayNamesItsViewPropertiesInOrderAndEachAccessorReachesItsOwn) {
  SpringBoardHost host;
  host.loadTweak(SpringBoardHost::defaultTweakPath());
  ASSERT_TRUE(host.activateReachability());
  auto overlay = host.currentOverlay();
  ASSERT_TRUE(overlay);
  std::vector<std::string> names;
  for (const auto& [name, view] : overlay->viewProperties()) names.emplace_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"blurEffectView", "touchView", "songNameLabel", "artistAndAlbumLabel", "repeatLabel",
                                             "shuffleLabel", "backgroundCoverArt", "smallCoverArt"}))
      << "the blur effect is no view";
  // A new view for each property, through its setter: the getter and the list show that one.
  auto blurView = std::make_shared<UIVisualEffectView>(UIBlurEffect::effectWithStyle(UIBlurEffectStyleDark));
  auto touch = std::make_shared<UIView>(CGRectMake(0, 0, 10, 10));
  std::vector<UILabelRef> labels;
  for (int i = 0; i < 4; ++i) labels.push_back(std::make_shared<UILabel>(CGRectMake(0, 0, 10, 10)));
  auto background = std::make_shared<UIImageView>(CGRectMake(0, 0, 10, 10));
  auto cover = std::make_shared<UIImageView>(CGRectMake(0, 0, 10, 10));
  auto effect = UIBlurEffect::effectWithStyle(UIBlurEffectStyleLight);
  overlay->setBlurEffect(effect);
  overlay->setBlurEffectView(blurView);
  overlay->setTouchView(touch);
  overlay->setSongNameLabel(labels[0]);
  overlay->setArtistAndAlbumLabel(labels[1]);
  overlay->setRepeatLabel(labels[2]);
  overlay->setShuffleLabel(labels[3]);
  overlay->setBackgroundCoverArt(background);
  overlay->setSmallCoverArt(cover);
  EXPECT_EQ(overlay->blurEffect(), effect);
  EXPECT_EQ(overlay->blurEffectView(), blurView);
  EXPECT_EQ(overlay->touchView(), touch);
  EXPECT_EQ(overlay->songNameLabel(), labels[0]);
  EXPECT_EQ(overlay->artistAndAlbumLabel(), labels[1]);
  EXPECT_EQ(overlay->repeatLabel(), labels[2]);
  EXPECT_EQ(overlay->shuffleLabel(), labels[3]);
  EXPECT_EQ(overlay->backgroundCoverArt(), background);
  EXPECT_EQ(overlay->smallCoverArt(), cover);
  std::vector<const UIView*> expected{blurView.get(),  touch.get(),     labels[0].get(),  labels[1].get(),
                                      labels[2].get(), labels[3].get(), background.get(), cover.get()};
  std::vector<const UIView*> listed;
  for (const auto& [name, view] : overlay->viewProperties()) listed.push_back(view);
  EXPECT_EQ(listed, expected);
}

}  // namespace
