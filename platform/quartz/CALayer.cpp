#include "platform/quartz/CALayer.hpp"

#include <algorithm>
#include <cmath>

#include "platform/dispatch/Dispatch.hpp"

VW_DEFINE_CLASS(CABasicAnimation, ReflectiveObject, factoryOf<CABasicAnimation>())
VW_DEFINE_CLASS(CALayer, ReflectiveObject, factoryOf<CALayer>())

std::shared_ptr<CABasicAnimation> CABasicAnimation::animationWithKeyPath(std::string keyPath) {
  auto animation = std::make_shared<CABasicAnimation>();
  animation->keyPath = std::move(keyPath);
  return animation;
}

double CABasicAnimation::totalDuration() const {
  double once = duration * std::max(1.0f, repeatCount);
  return autoreverses ? once * 2 : once;
}

CAValue CABasicAnimation::valueAt(double time) const {
  const double elapsed = time - beginTime;
  if (duration <= 0 || elapsed < 0 || elapsed >= totalDuration() || fromValue.index() != toValue.index()) return {};
  double cycle = std::fmod(elapsed, autoreverses ? 2 * duration : duration) / duration;
  const double t = cycle > 1 ? 2 - cycle : cycle;
  if (auto* from = std::get_if<double>(&fromValue)) return *from + (std::get<double>(toValue) - *from) * t;
  if (auto* from = std::get_if<CGPoint>(&fromValue)) {
    const CGPoint to = std::get<CGPoint>(toValue);
    return CGPoint{from->x + (to.x - from->x) * t, from->y + (to.y - from->y) * t};
  }
  return {};
}

void CALayer::addAnimation(const CABasicAnimation& animation, const std::string& key) {
  auto copy = std::make_shared<CABasicAnimation>();
  copy->keyPath = animation.keyPath;
  copy->duration = animation.duration;
  copy->repeatCount = animation.repeatCount;
  copy->autoreverses = animation.autoreverses;
  copy->fromValue = animation.fromValue;
  copy->toValue = animation.toValue;
  copy->beginTime = sim_clock::now();
  removeAnimation(key);
  animations_.emplace_back(key, std::move(copy));
}

void CALayer::removeAnimation(const std::string& key) {
  std::erase_if(animations_, [&](const auto& entry) { return entry.first == key; });
}

std::vector<std::pair<std::string, CABasicAnimationRef>> CALayer::animations() const {
  double now = sim_clock::now();
  std::erase_if(animations_, [now](const auto& entry) { return entry.second->beginTime + entry.second->totalDuration() <= now; });
  return animations_;
}

CABasicAnimationRef CALayer::animationForKey(const std::string& key) const {
  for (auto& [k, a] : animations())
    if (k == key) return a;
  return nullptr;
}
