// The colour predicates and PCCountedColor.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "colorart/PCCountedColor.hpp"
#include "colorart/UIColor+DarkAddition.hpp"

namespace {

UIColorRef rgb(double r, double g, double b, double a = 1.0) { return UIColor::colorWithRed(r, g, b, a); }

TEST(DarkColor, HalfLuminanceIsLightAndEightBitGreysSplitBetween127And128) {
  EXPECT_FALSE(pc_isDarkColor(*rgb(0.5, 0.5, 0.5)));
  EXPECT_TRUE(pc_isDarkColor(*rgb(127 / 255.0, 127 / 255.0, 127 / 255.0)));
  EXPECT_FALSE(pc_isDarkColor(*rgb(128 / 255.0, 128 / 255.0, 128 / 255.0)));
  EXPECT_FALSE(pc_isDarkColor(*UIColor::whiteColor()));
  EXPECT_TRUE(pc_isDarkColor(*UIColor::blackColor()));
}

TEST(DarkColor, UsesUnlinearisedWeightsAndIgnoresAlpha) {
  // Pure green alone: L = 0.7152, light; pure red and pure blue: dark.
  EXPECT_FALSE(pc_isDarkColor(*rgb(0, 1, 0)));
  EXPECT_TRUE(pc_isDarkColor(*rgb(1, 0, 0)));
  EXPECT_TRUE(pc_isDarkColor(*rgb(0, 0, 1)));
  // Red + blue: 0.2848 < 0.5 however opaque.
  EXPECT_TRUE(pc_isDarkColor(*rgb(1, 0, 1, 0.0)));
  EXPECT_FALSE(pc_isDarkColor(*rgb(1, 1, 1, 0.0)));
}

TEST(Distinct, GreysAreNeverDistinctFromEachOther) {
  auto white = UIColor::whiteColor(), black = UIColor::blackColor();
  EXPECT_FALSE(pc_isDistinct(*white, *black));
  EXPECT_FALSE(pc_isDistinct(*black, *white));
  // Near-grey: red within 0.03 of green and of blue (green and blue are not compared).
  EXPECT_FALSE(pc_isDistinct(*rgb(0.9, 0.92, 0.88), *rgb(0.1, 0.12, 0.08)));
  // Green and blue 0.05 apart but each within 0.03 of red: still near-grey.
  EXPECT_FALSE(pc_isDistinct(*rgb(0.5, 0.525, 0.475), *rgb(0.0, 0.0, 0.0)));
  // Red 0.03 away from green is no longer near-grey (strict).
  EXPECT_TRUE(pc_isDistinct(*rgb(0.53, 0.5, 0.5), *rgb(0.0, 0.0, 0.0)));
}

TEST(Distinct, ColoursFarApartAreDistinct) {
  EXPECT_TRUE(pc_isDistinct(*rgb(1, 0, 0), *rgb(0, 0, 1)));
  EXPECT_TRUE(pc_isDistinct(*rgb(1, 0, 0), *UIColor::blackColor()));  // only one side near-grey
  EXPECT_FALSE(pc_isDistinct(*rgb(1, 0, 0), *rgb(0.8, 0.1, 0.1)));    // all within 0.25
}

TEST(Distinct, AlphaCountsLikeAColourComponent) {
  EXPECT_TRUE(pc_isDistinct(*rgb(1, 0, 0, 1.0), *rgb(1, 0, 0, 0.5)));
  EXPECT_FALSE(pc_isDistinct(*rgb(1, 0, 0, 1.0), *rgb(1, 0, 0, 0.75)));  // exactly 0.25
  // Both near-grey: not distinct, however different the alpha.
  EXPECT_FALSE(pc_isDistinct(*rgb(0.5, 0.5, 0.5, 1.0), *rgb(0.5, 0.5, 0.5, 0.0)));
}

TEST(Distinct, ExactlyAQuarterApartInEveryComponentIsNotDistinct) {
  // Binary fractions: the differences are exactly 0.25.
  auto a = rgb(0.5, 0.25, 0.0, 1.0);
  EXPECT_FALSE(pc_isDistinct(*a, *rgb(0.75, 0.5, 0.25, 0.75)));
  EXPECT_FALSE(pc_isDistinct(*a, *rgb(0.25, 0.0, 0.25, 0.75)));
  EXPECT_TRUE(pc_isDistinct(*a, *rgb(0.75, 0.5, std::nextafter(0.25, 1.0), 0.75)));
}

TEST(MinimumSaturation, SaturatedEnoughColoursAreReturnedThemselves) {
  auto red = rgb(1, 0, 0);
  EXPECT_EQ(pc_colorWithMinimumSaturation(red, 0.15).get(), red.get());
  // (0.625, 0.53125, 0.53125): saturation (3/32) / (20/32) is exactly the double 0.15.
  auto boundary = rgb(0.625, 0.53125, 0.53125);
  double h, s, v, a;
  boundary->getHue(&h, &s, &v, &a);
  ASSERT_EQ(s, 0.15);
  EXPECT_EQ(pc_colorWithMinimumSaturation(boundary, 0.15).get(), boundary.get());
}

TEST(MinimumSaturation, GreyIsRaisedKeepingHueBrightnessAndAlpha) {
  auto grey = rgb(0.5, 0.5, 0.5);
  auto raised = pc_colorWithMinimumSaturation(grey, 0.15);
  ASSERT_TRUE(raised);
  EXPECT_NE(raised.get(), grey.get());
  EXPECT_DOUBLE_EQ(raised->red(), 0.5);
  EXPECT_DOUBLE_EQ(raised->green(), 0.425);
  EXPECT_DOUBLE_EQ(raised->blue(), 0.425);
  EXPECT_EQ(raised->alpha(), 1.0);
  // A greyish blue keeps its hue; alpha is kept.
  auto bluish = rgb(0.4, 0.4, 0.42, 0.3);
  auto raisedBlue = pc_colorWithMinimumSaturation(bluish, 0.15);
  double h0, s0, v0, a0, h1, s1, v1, a1;
  bluish->getHue(&h0, &s0, &v0, &a0);
  raisedBlue->getHue(&h1, &s1, &v1, &a1);
  EXPECT_NEAR(h1, h0, 1e-12);
  EXPECT_NEAR(s1, 0.15, 1e-12);
  EXPECT_EQ(v1, v0);
  EXPECT_EQ(a1, 0.3);
  EXPECT_EQ(pc_colorWithMinimumSaturation(nullptr, 0.15), nullptr);
}

TEST(BlackOrWhite, StrictThresholdsOnEveryComponent) {
  EXPECT_TRUE(pc_isBlackOrWhite(UIColor::whiteColor()));
  EXPECT_TRUE(pc_isBlackOrWhite(UIColor::blackColor()));
  EXPECT_FALSE(pc_isBlackOrWhite(rgb(0.91, 0.91, 0.91)));
  EXPECT_FALSE(pc_isBlackOrWhite(rgb(0.09, 0.09, 0.09)));
  EXPECT_TRUE(pc_isBlackOrWhite(rgb(0.92, 0.95, 0.911)));
  EXPECT_TRUE(pc_isBlackOrWhite(rgb(0.08, 0.0, 0.089)));
  EXPECT_FALSE(pc_isBlackOrWhite(rgb(0.95, 0.95, 0.05)));  // neither all high nor all low
  EXPECT_TRUE(pc_isBlackOrWhite(rgb(1, 1, 1, 0.0)));       // alpha takes no part
  EXPECT_FALSE(pc_isBlackOrWhite(UIColorRef()));
}

TEST(Contrasting, RatioAboveOnePointSixBothWays) {
  auto white = UIColor::whiteColor(), black = UIColor::blackColor();
  EXPECT_TRUE(pc_isContrastingColor(*white, black));
  EXPECT_TRUE(pc_isContrastingColor(*black, white));
  EXPECT_DOUBLE_EQ(colorart::contrastRatio(1.0, 0.0), 21.0);
  EXPECT_FALSE(pc_isContrastingColor(*white, white));
  auto teal = rgb(0.1, 0.5, 0.5);
  EXPECT_FALSE(pc_isContrastingColor(*teal, teal));
  EXPECT_TRUE(pc_isContrastingColor(*teal, UIColorRef()));  // no background: contrasting
  // Greys around the threshold against black: (L + 0.05) / 0.05 > 1.6 needs L > 0.03.
  EXPECT_FALSE(pc_isContrastingColor(*rgb(0.02, 0.02, 0.02), black));
  EXPECT_TRUE(pc_isContrastingColor(*rgb(0.04, 0.04, 0.04), black));
}

TEST(CountedColor, InitialiserSetsColourAndCount) {
  auto red = rgb(1, 0, 0);
  PCCountedColor counted(red, 7);
  EXPECT_EQ(counted.color().get(), red.get());
  EXPECT_EQ(counted.count(), 7u);
  counted.setCount(9);
  counted.setColor(UIColor::blackColor());
  EXPECT_EQ(counted.count(), 9u);
  EXPECT_TRUE(counted.color()->isEqual(*UIColor::blackColor()));
  EXPECT_TRUE(counted.isKindOfClass("PCCountedColor"));
}

TEST(CountedColor, CompareOrdersLargestCountFirst) {
  auto three = std::make_shared<PCCountedColor>(UIColor::whiteColor(), 3);
  auto five = std::make_shared<PCCountedColor>(UIColor::blackColor(), 5);
  auto alsoThree = std::make_shared<PCCountedColor>(UIColor::grayColor(), 3);
  EXPECT_EQ(three->compare(five), NSOrderedDescending);
  EXPECT_EQ(five->compare(three), NSOrderedAscending);
  EXPECT_EQ(three->compare(alsoThree), NSOrderedSame);
  EXPECT_EQ(three->compare(nullptr), NSOrderedAscending);
  EXPECT_EQ(three->compare(UIColor::whiteColor()), NSOrderedAscending);
  // Unsigned: the largest 64-bit count is larger than 1, not negative.
  auto huge = std::make_shared<PCCountedColor>(UIColor::whiteColor(), std::numeric_limits<uint64_t>::max());
  auto one = std::make_shared<PCCountedColor>(UIColor::whiteColor(), 1);
  EXPECT_EQ(huge->compare(one), NSOrderedAscending);
  EXPECT_EQ(one->compare(huge), NSOrderedDescending);
}

}  // namespace
