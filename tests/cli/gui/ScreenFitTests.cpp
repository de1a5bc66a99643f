// Where a window shows the screen: centred, aspect kept, whole zooms kept sharp, and a point
// of the window mapped to the same screen point the picture shows there.
#include "cli/gui/ScreenFit.hpp"

#include <gtest/gtest.h>

#include <cmath>

using gui::ScreenFit;

namespace {

const CGSize kPhone{375, 667};

TEST(ScreenFit, FillsItsOwnSizeAtEachWholeZoom) {
  for (double zoom : {1.0, 2.0}) {
    ScreenFit fit = ScreenFit::of(kPhone, 375 * zoom, 667 * zoom);
    EXPECT_EQ(fit.scale, zoom);
    EXPECT_EQ(fit.x, 0);
    EXPECT_EQ(fit.y, 0);
  }
}

TEST(ScreenFit, CentresInAWiderOrTallerSpaceKeepingTheAspect) {
  ScreenFit wide = ScreenFit::of(kPhone, 1000, 667);
  EXPECT_EQ(wide.scale, 1);
  EXPECT_EQ(wide.x, std::floor((1000 - 375) / 2.0));
  EXPECT_EQ(wide.y, 0);

  ScreenFit tall = ScreenFit::of(kPhone, 750, 2000);
  EXPECT_EQ(tall.scale, 2);
  EXPECT_EQ(tall.x, 0);
  EXPECT_EQ(tall.y, std::floor((2000 - 1334) / 2.0));

  // In between the whole zooms: the largest screen that fits, on the narrower side exactly.
  ScreenFit between = ScreenFit::of(kPhone, 562.5, 1500);
  EXPECT_DOUBLE_EQ(between.scale, 1.5);
  EXPECT_EQ(between.x, 0);
  EXPECT_LE(kPhone.height * between.scale, 1500);
}

TEST(ScreenFit, TheSideThatFillsTheSpaceHasNoMarginDespiteRounding) {
  // 375 x 1.36 comes out a hair over 510 in doubles.
  ScreenFit fit = ScreenFit::of(kPhone, 510, 1049);
  EXPECT_DOUBLE_EQ(fit.scale, 1.36);
  EXPECT_EQ(fit.x, 0);
  EXPECT_EQ(fit.y, std::floor((1049 - 667 * 1.36) / 2));
}

TEST(ScreenFit, ShrinksBelowOneToFitASmallSpace) {
  ScreenFit fit = ScreenFit::of(kPhone, 200, 300);
  EXPECT_DOUBLE_EQ(fit.scale, 300 / 667.0);
  EXPECT_LE(kPhone.width * fit.scale, 200);
  EXPECT_EQ(fit.y, 0);
  EXPECT_GT(fit.x, 0);
}

TEST(ScreenFit, KeepsAWholeZoomWhenASpaceIsAPixelOrTwoLarger) {
  ScreenFit fit = ScreenFit::of(kPhone, 377, 668);
  EXPECT_EQ(fit.scale, 1);
  EXPECT_EQ(fit.x, 1);
  EXPECT_EQ(fit.y, 0);
  // Three pixels more on the long side is a real resize.
  EXPECT_GT(ScreenFit::of(kPhone, 400, 670).scale, 1);
}

TEST(ScreenFit, MapsWindowPointsToScreenPointsAndBack) {
  ScreenFit fit = ScreenFit::of(kPhone, 1200, 1000);
  const CGPoint corner = fit.toPoints(fit.x, fit.y);
  EXPECT_DOUBLE_EQ(corner.x, 0);
  EXPECT_DOUBLE_EQ(corner.y, 0);
  const CGPoint far = fit.toPoints(fit.x + kPhone.width * fit.scale, fit.y + kPhone.height * fit.scale);
  EXPECT_DOUBLE_EQ(far.x, kPhone.width);
  EXPECT_DOUBLE_EQ(far.y, kPhone.height);
  const CGPoint there = fit.toSpace({100, 250});
  const CGPoint back = fit.toPoints(there.x, there.y);
  EXPECT_DOUBLE_EQ(back.x, 100);
  EXPECT_DOUBLE_EQ(back.y, 250);
}

TEST(ScreenFit, AnEmptySpaceOrScreenLeavesTheScreenAtOneToOne) {
  EXPECT_EQ(ScreenFit::of(kPhone, 0, 500).scale, 1);
  EXPECT_EQ(ScreenFit::of({0, 0}, 500, 500).scale, 1);
}

}  // namespace
