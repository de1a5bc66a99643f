#include <gtest/gtest.h>

#include "platform/dispatch/Dispatch.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UIGestureRecognizer.hpp"
#include "platform/uikit/UIVisualEffectView.hpp"
#include "platform/uikit/UIWindow.hpp"

namespace {

class Target : public NSObject {
 public:
  int taps = 0, swipes = 0;
  const ClassInfo& classInfo() const override {
    static const ClassInfo& info = ClassRegistry::define(
        "UIKitTestTarget", &NSObject::staticClassInfo(), nullptr,
        {{"tapped:", [](NSObject& self, const NSObjectRef&) { ++static_cast<Target&>(self).taps; }},
         {"swiped:", [](NSObject& self, const NSObjectRef&) { ++static_cast<Target&>(self).swipes; }}});
    return info;
  }
};

}  // namespace

TEST(UIView, RemovingAViewTakesItsSubtreeAndKeepsItAlive) {
  auto parent = std::make_shared<UIView>(CGRectMake(0, 0, 100, 100));
  auto child = std::make_shared<UIView>(CGRectMake(10, 10, 20, 20));
  auto grandchild = std::make_shared<UIView>(CGRectMake(1, 1, 2, 2));
  parent->addSubview(child);
  child->addSubview(grandchild);
  EXPECT_TRUE(grandchild->isDescendantOfView(*parent));
  child->removeFromSuperview();
  EXPECT_TRUE(parent->subviews().empty());
  EXPECT_EQ(child->superview(), nullptr);
  EXPECT_EQ(grandchild->superview(), child);
  EXPECT_FALSE(grandchild->isDescendantOfView(*parent));
  // Adding a view elsewhere moves it.
  auto other = std::make_shared<UIView>();
  parent->addSubview(child);
  other->addSubview(child);
  EXPECT_TRUE(parent->subviews().empty());
  EXPECT_EQ(other->subviews().size(), 1u);
}

TEST(UIView, AutoresizingFollowsTheSuperview) {
  auto row = std::make_shared<UIView>(CGRectMake(0, 0, 320, 44));
  auto strip = std::make_shared<UIView>(CGRectMake(270, 0, 50, 44));
  strip->setAutoresizingMask(UIViewAutoresizingFlexibleLeftMargin);
  row->addSubview(strip);
  row->setFrame(CGRectMake(0, 0, 375, 44));
  EXPECT_EQ(strip->frame(), CGRectMake(325, 0, 50, 44));
  row->setFrame(CGRectMake(0, 0, 200, 44));
  EXPECT_EQ(strip->frame(), CGRectMake(150, 0, 50, 44));

  auto effect = UIVisualEffectView::create(UIBlurEffect::effectWithStyle(UIBlurEffectStyleDark));
  effect->setFrame(CGRectMake(0, 0, 400, 390));
  EXPECT_EQ(effect->contentView()->frame(), CGRectMake(0, 0, 400, 390));
}

TEST(UIWindow, TouchesReachRecognizersThroughHitTesting) {
  auto target = std::make_shared<Target>();
  auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 400, 300));
  window->setHidden(false);
  auto cover = std::make_shared<UIView>(CGRectMake(150, 18, 100, 100));
  auto doubleTap = std::make_shared<UITapGestureRecognizer>(target, "tapped:");
  doubleTap->numberOfTapsRequired = 2;
  cover->addGestureRecognizer(doubleTap);
  auto swipeUp = std::make_shared<UISwipeGestureRecognizer>(target, "swiped:");
  swipeUp->direction = UISwipeGestureRecognizerDirectionUp;
  cover->addGestureRecognizer(swipeUp);
  window->addSubview(cover);

  EXPECT_FALSE(window->sendTap({200, 60}, 1));  // one tap is not a double tap
  EXPECT_TRUE(window->sendTap({200, 60}, 2));
  EXPECT_FALSE(window->sendTap({10, 10}, 2));   // outside the cover
  EXPECT_FALSE(window->sendSwipe({200, 60}, UISwipeGestureRecognizerDirectionDown));
  EXPECT_TRUE(window->sendSwipe({200, 60}, UISwipeGestureRecognizerDirectionUp));
  EXPECT_EQ(target->taps, 1);
  EXPECT_EQ(target->swipes, 1);

  // A view on top that covers the cover takes the touch; a hidden one does not.
  auto shield = std::make_shared<UIView>(CGRectMake(0, 0, 400, 300));
  window->addSubview(shield);
  EXPECT_FALSE(window->sendTap({200, 60}, 2));
  shield->setHidden(true);
  EXPECT_TRUE(window->sendTap({200, 60}, 2));
  // A hidden window gets no touches; a target that is gone gets nothing.
  window->setHidden(true);
  EXPECT_FALSE(window->sendTap({200, 60}, 2));
  window->setHidden(false);
  target.reset();
  EXPECT_FALSE(window->sendTap({200, 60}, 2));
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

namespace {
class Recorder : public UIAlertViewDelegate {
 public:
  std::vector<long> pressed;
  void alertViewClickedButtonAtIndex(UIAlertView&, long index) override { pressed.push_back(index); }
};
}  // namespace

TEST(UIAlertView, OneAlertShowsAtATimeAndTheScreenKeepsIt) {
  alert_center::reset();
  auto recorder = std::make_shared<Recorder>();
  std::weak_ptr<UIAlertView> firstWeak;
  {
    auto first = std::make_shared<UIAlertView>("Error", "Ensure you entered a valid value.", recorder, "OK",
                                               std::vector<std::string>{});
    first->show();
    firstWeak = first;
  }
  auto second = std::make_shared<UIAlertView>("Title", std::nullopt, recorder, "Cancel", std::vector<std::string>{"Enter"});
  second->setAlertViewStyle(UIAlertViewStylePlainTextInput);
  second->show();
  ASSERT_FALSE(firstWeak.expired());  // kept alive while on screen
  EXPECT_EQ(alert_center::onScreen(), firstWeak.lock());
  EXPECT_EQ(second->indexOfButtonTitled("Enter"), 1);
  EXPECT_NE(second->textFieldAtIndex(0), nullptr);
  EXPECT_EQ(second->textFieldAtIndex(1), nullptr);
  firstWeak.lock()->dismissWithClickedButtonIndex(0);
  EXPECT_EQ(alert_center::onScreen(), second);
  second->dismissWithClickedButtonIndex(1);
  EXPECT_EQ(alert_center::onScreen(), nullptr);
  EXPECT_EQ(recorder->pressed, (std::vector<long>{0, 1}));
  EXPECT_EQ(alert_center::history().size(), 2u);
}
