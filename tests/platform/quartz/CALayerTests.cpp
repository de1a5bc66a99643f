// Layer animations on the simulated clock.
#include <gtest/gtest.h>

#include <variant>

#include "platform/dispatch/Dispatch.hpp"
#include "platform/quartz/CALayer.hpp"

TEST(CABasicAnimation, ValuesFollowTheClockBackAndForth) {
  auto shake = CABasicAnimation::animationWithKeyPath("position");
  shake->duration = 0.1;
  shake->repeatCount = 2;
  shake->autoreverses = true;
  shake->fromValue = CGPoint{10, 5};
  shake->toValue = CGPoint{20, 5};
  shake->beginTime = 1;
  auto at = [&](double t) {
    CAValue v = shake->valueAt(t);
    return std::holds_alternative<CGPoint>(v) ? std::get<CGPoint>(v).x : -1.0;
  };
  EXPECT_EQ(at(0.99), -1);  // not begun
  EXPECT_NEAR(at(1.0), 10, 1e-9);
  EXPECT_NEAR(at(1.05), 15, 1e-9);
  EXPECT_NEAR(at(1.15), 15, 1e-9);  // on its way back
  EXPECT_NEAR(at(1.25), 15, 1e-9);  // second round
  EXPECT_EQ(at(1.45), -1);          // over
  shake->toValue = 3.0;             // from and to of different kinds: no value
  EXPECT_TRUE(std::holds_alternative<std::monostate>(shake->valueAt(1.05)));
}

TEST(CALayer, AnimationsReplaceByKeyAndEndWithTheClock) {
  CALayer layer;
  auto shake = CABasicAnimation::animationWithKeyPath("position");
  shake->duration = 0.05;
  shake->repeatCount = 2;
  shake->autoreverses = true;
  layer.addAnimation(*shake, "position");
  layer.addAnimation(*shake, "position");
  EXPECT_EQ(layer.animations().size(), 1u);
  EXPECT_DOUBLE_EQ(shake->totalDuration(), 0.2);
  sim_clock::advance(0.1);
  EXPECT_EQ(layer.animations().size(), 1u);
  sim_clock::advance(0.11);
  EXPECT_TRUE(layer.animations().empty());
}
