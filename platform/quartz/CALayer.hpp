// Quartz Core stand-in: layers and basic animations.
// Implements: the layer of each view with border width and colour (plain CGColor values), corner radius,
// masks-to-bounds, shadow colour, offset, opacity and radius; basic animations (key path,
// duration, repeat count, autoreverses, from and to values) added under a key, a new one
// replacing a running one under the same key, and finished ones dropped by the simulated
// clock.
// Leaves out: sublayers of their own, transforms, timing functions, implicit animations.
#pragma once

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/foundation/ReflectiveObject.hpp"
#include "platform/graphics/CGColor.hpp"
#include "platform/graphics/Geometry.hpp"

// An animated value: a number or a point (NSValue valueWithCGPoint:).
using CAValue = std::variant<std::monostate, double, CGPoint>;

class CABasicAnimation : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  static std::shared_ptr<CABasicAnimation> animationWithKeyPath(std::string keyPath);

  std::string keyPath;
  double duration = 0.25;  // the toolkit's default
  float repeatCount = 0;
  bool autoreverses = false;
  CAValue fromValue;
  CAValue toValue;
  double beginTime = 0;  // simulated clock time at which it was added

  // Active time: duration x max(repeatCount, 1), doubled when it autoreverses.
  double totalDuration() const;
  // The animated value at that clock time (linear; back and forth when it autoreverses), or
  // nothing outside its active time or when from and to differ in kind.
  CAValue valueAt(double time) const;
};
using CABasicAnimationRef = std::shared_ptr<CABasicAnimation>;

class CALayer : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  double borderWidth = 0;
  CGColorRef borderColor;
  double cornerRadius = 0;
  bool masksToBounds = false;
  CGColorRef shadowColor;
  CGSize shadowOffset{0, -3};
  float shadowOpacity = 0;
  double shadowRadius = 3;

  // addAnimation:forKey: — copies the animation, stamps its begin time; the same key
  // replaces a running animation.
  void addAnimation(const CABasicAnimation& animation, const std::string& key);
  void removeAnimation(const std::string& key);
  // The animations still running at the simulated clock's time, in the order added.
  std::vector<std::pair<std::string, CABasicAnimationRef>> animations() const;
  CABasicAnimationRef animationForKey(const std::string& key) const;

 private:
  mutable std::vector<std::pair<std::string, CABasicAnimationRef>> animations_;
};
using CALayerRef = std::shared_ptr<CALayer>;
