#include <gtest/gtest.h>

#include "platform/dispatch/Dispatch.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UIGestureRecognizer.hpp"
#include "platform/uikit/UISwitch.hpp"
#include "platform/uikit/UIVisualEffectView.hpp"
#include "platform/uikit/UIWindow.hpp"

namespace {

class Target : public ReflectiveObject {
 public:
  int taps = 0, swipes = 0;
  const ClassInfo& classInfo() const override {
    static const ClassInfo& info = ClassRegistry::define(
        "UIKitTestTarget", &ReflectiveObject::staticClassInfo(), nullptr,
        {{"tapped:", [](ReflectiveObject& self, const ReflectiveObjectRef&) { ++static_cast<Target&>(self).taps; }},
         {"swiped:", [](ReflectiveObject& self, const ReflectiveObjectRef&) { ++static_cast<Target&>(self).swipes; }}});
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
  EXPECT_FALSE(window->sendTap({10, 10}, 2));  // outside the cover
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

TEST(UIWindow, ASingleTapReachesSwitchesRowsAndButtonsAndSaysWhereMoreTapsAreWanted) {
  auto target = std::make_shared<Target>();
  auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 400, 300));
  window->setHidden(false);
  auto toggle = std::make_shared<UISwitch>();
  toggle->setFrame(CGRectMake(300, 10, 51, 31));
  toggle->addTarget(target, "tapped:", UIControlEventValueChanged);
  window->addSubview(toggle);
  auto button = std::make_shared<UIButton>(CGRectMake(10, 10, 80, 30));
  button->addTarget(target, "swiped:", UIControlEventTouchUpInside);
  window->addSubview(button);
  auto label = std::make_shared<UIView>(CGRectMake(5, 5, 20, 20));  // a plain view inside the button
  button->addSubview(label);

  EXPECT_TRUE(window->sendTap({320, 20}));  // the switch flips and says so
  EXPECT_TRUE(toggle->isOn());
  EXPECT_EQ(target->taps, 1);
  EXPECT_FALSE(window->sendTap({320, 20}, 2));  // no double tap on a switch
  EXPECT_TRUE(toggle->isOn());
  EXPECT_TRUE(window->sendTap({20, 20}));  // through the plain view to its button
  EXPECT_EQ(target->swipes, 1);
  EXPECT_FALSE(window->sendTap({200, 200}));  // nothing there

  auto cover = std::make_shared<UIView>(CGRectMake(150, 100, 100, 100));
  auto doubleTap = std::make_shared<UITapGestureRecognizer>(target, "tapped:");
  doubleTap->numberOfTapsRequired = 2;
  cover->addGestureRecognizer(doubleTap);
  window->addSubview(cover);
  EXPECT_TRUE(window->recognizesTaps({200, 150}, 2));
  EXPECT_FALSE(window->recognizesTaps({200, 150}, 1));
  EXPECT_FALSE(window->recognizesTaps({20, 20}, 2));
  doubleTap->enabled = false;
  EXPECT_FALSE(window->recognizesTaps({200, 150}, 2));
}

TEST(UISwipeGestureRecognizer, AMovementSwipesOnlyWhenLongAndStraightEnough) {
  using R = UISwipeGestureRecognizer;
  EXPECT_EQ(R::directionOfMovement(0, -R::kMinimumDistance), UISwipeGestureRecognizerDirectionUp);
  EXPECT_EQ(R::directionOfMovement(3, 80), UISwipeGestureRecognizerDirectionDown);
  EXPECT_EQ(R::directionOfMovement(-60, 10), UISwipeGestureRecognizerDirectionLeft);
  EXPECT_EQ(R::directionOfMovement(60, -29), UISwipeGestureRecognizerDirectionRight);
  EXPECT_EQ(R::directionOfMovement(0, -(R::kMinimumDistance - 1)), 0u);  // too short
  EXPECT_EQ(R::directionOfMovement(60, 40), 0u);                         // too slanted
  EXPECT_EQ(R::directionOfMovement(0, 0), 0u);
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
    auto first =
        std::make_shared<UIAlertView>("Error", "Ensure you entered a valid value.", recorder, "OK", std::vector<std::string>{});
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

namespace {
// Accepts digits only, and keeps the keyboard once it has it while `holdKeyboard` is set.
class DigitsOnly : public UITextFieldDelegate {
 public:
  bool holdKeyboard = false;
  std::vector<std::pair<size_t, size_t>> ranges;
  bool textFieldShouldEndEditing(UITextField&) override { return !holdKeyboard; }
  bool textFieldShouldChangeCharactersInRange(UITextField&, size_t location, size_t length,
                                              const std::string& replacement) override {
    ranges.emplace_back(location, length);
    return replacement.find_first_not_of("0123456789") == std::string::npos;
  }
};
}  // namespace

TEST(UITextField, TypingNeedsTheKeyboardAndTheDelegatesConsent) {
  UITextField field;
  EXPECT_FALSE(field.insertText("1")) << "no keyboard yet";
  ASSERT_TRUE(field.becomeFirstResponder());
  EXPECT_TRUE(field.insertText("1\xC3\xA9"));  // an operation the adopter leaves out answers yes
  EXPECT_TRUE(field.deleteBackward());
  EXPECT_EQ(field.text, "1") << "one character, both of its bytes";

  auto digits = std::make_shared<DigitsOnly>();
  field.delegate = digits;
  EXPECT_FALSE(field.insertText("x"));
  EXPECT_TRUE(field.insertText("23"));
  EXPECT_TRUE(field.deleteBackward());
  EXPECT_EQ(field.text, "12");
  EXPECT_EQ(digits->ranges, (std::vector<std::pair<size_t, size_t>>{{1, 0}, {1, 0}, {2, 1}}));

  digits->holdKeyboard = true;
  EXPECT_FALSE(field.resignFirstResponder());
  EXPECT_TRUE(field.isFirstResponder());
  digits.reset();  // the field does not keep its delegate
  EXPECT_TRUE(field.resignFirstResponder());
  EXPECT_FALSE(field.insertText("3"));
  EXPECT_EQ(field.text, "12");
}
