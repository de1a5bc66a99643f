// UIKit stand-in: gesture recognizers.
// Implements: tap recognizers (taps and touches required) and swipe recognizers (direction,
// touches required) with one target and action each, attached to a view; a recognized
// gesture sends the action to the target with the recognizer as argument. Touches reach them
// through UIWindow's sendTap / sendSwipe, which hit-test the point.
// Leaves out: recognizer states and delegates, simultaneous recognition, failure
// requirements, long presses, pans, pinches.
#pragma once

#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>

#include "platform/foundation/ReflectiveObject.hpp"

class UIView;

enum UISwipeGestureRecognizerDirection : unsigned {
  UISwipeGestureRecognizerDirectionRight = 1,
  UISwipeGestureRecognizerDirectionLeft = 2,
  UISwipeGestureRecognizerDirectionUp = 4,
  UISwipeGestureRecognizerDirectionDown = 8,
};

class UIGestureRecognizer : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  // initWithTarget:action: — the target is not retained, as in UIKit.
  UIGestureRecognizer(const ReflectiveObjectRef& target, std::string action) : target_(target), action_(std::move(action)) {}

  std::shared_ptr<UIView> view() const { return view_.lock(); }
  const std::string& action() const { return action_; }
  ReflectiveObjectRef target() const { return target_.lock(); }
  bool enabled = true;

  // Sends the action to the target; false when the target is gone or does not answer.
  bool fire();
  virtual nlohmann::json describe() const;
  void attach(const std::shared_ptr<UIView>& view) { view_ = view; }

 private:
  std::weak_ptr<ReflectiveObject> target_;
  std::string action_;
  std::weak_ptr<UIView> view_;
};

class UITapGestureRecognizer : public UIGestureRecognizer {
  VW_DECLARE_CLASS()
 public:
  using UIGestureRecognizer::UIGestureRecognizer;
  unsigned numberOfTapsRequired = 1;
  unsigned numberOfTouchesRequired = 1;
  nlohmann::json describe() const override;

  // Taps count as one multiple tap while each follows the previous one's end within this many
  // seconds, no farther than kMaximumTapDistance points from the first; a touch that moves
  // farther than kMaximumTapMovement points between down and up is no tap.
  static constexpr double kMaximumTapInterval = 0.35;
  static constexpr double kMaximumTapDistance = 45;
  static constexpr double kMaximumTapMovement = 10;
};

class UISwipeGestureRecognizer : public UIGestureRecognizer {
  VW_DECLARE_CLASS()
 public:
  using UIGestureRecognizer::UIGestureRecognizer;
  unsigned direction = UISwipeGestureRecognizerDirectionRight;
  unsigned numberOfTouchesRequired = 1;
  nlohmann::json describe() const override;

  // A finger that moves at least kMinimumDistance points along one axis, at least
  // kMinimumStraightness times as far as along the other, swipes in that direction.
  static constexpr double kMinimumDistance = 50;
  static constexpr double kMinimumStraightness = 2;
  // The direction of a movement by (dx, dy) points (y grows downwards), or 0 when it is no swipe.
  static unsigned directionOfMovement(double dx, double dy);
};
