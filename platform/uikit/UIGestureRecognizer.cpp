#include "platform/uikit/UIGestureRecognizer.hpp"

#include <cmath>
#include <nlohmann/json.hpp>

VW_DEFINE_CLASS(UIGestureRecognizer, ReflectiveObject, nullptr)
VW_DEFINE_CLASS(UITapGestureRecognizer, UIGestureRecognizer, nullptr)
VW_DEFINE_CLASS(UISwipeGestureRecognizer, UIGestureRecognizer, nullptr)

bool UIGestureRecognizer::fire() {
  ReflectiveObjectRef target = target_.lock();
  if (!enabled || !target) return false;
  return target->performSelector(action_, shared_from_this());
}

nlohmann::json UIGestureRecognizer::describe() const { return {{"type", "gesture"}, {"action", action_}}; }

nlohmann::json UITapGestureRecognizer::describe() const {
  return {{"type", "tap"}, {"taps", numberOfTapsRequired}, {"touches", numberOfTouchesRequired}, {"action", action()}};
}

nlohmann::json UISwipeGestureRecognizer::describe() const {
  return {{"type", "swipe"}, {"direction", direction}, {"touches", numberOfTouchesRequired}, {"action", action()}};
}

unsigned UISwipeGestureRecognizer::directionOfMovement(double dx, double dy) {
  const double ax = std::abs(dx), ay = std::abs(dy);
  if (ax >= kMinimumDistance && ax >= kMinimumStraightness * ay)
    return dx > 0 ? UISwipeGestureRecognizerDirectionRight : UISwipeGestureRecognizerDirectionLeft;
  if (ay >= kMinimumDistance && ay >= kMinimumStraightness * ax)
    return dy > 0 ? UISwipeGestureRecognizerDirectionDown : UISwipeGestureRecognizerDirectionUp;
  return 0;
}
