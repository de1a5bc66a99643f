#include "colorart/PCCountedColor.hpp"

// The class description is made on first use, not when the library loads: this library has no
// load-time initialisers.
const ClassInfo& PCCountedColor::staticClassInfo() {
  static const ClassInfo& info = ClassRegistry::define("PCCountedColor", &ReflectiveObject::staticClassInfo(), nullptr);
  return info;
}

PCCountedColor::PCCountedColor(UIColorRef color, uint64_t count) {
  setColor(std::move(color));
  setCount(count);
}

NSComparisonResult PCCountedColor::compare(const ReflectiveObjectRef& object) const {
  if (!object || !object->isKindOfClass(staticClassInfo())) return NSOrderedAscending;
  uint64_t mine = count();
  uint64_t theirs = static_cast<const PCCountedColor&>(*object).count();
  if (mine < theirs) return NSOrderedDescending;
  if (mine == theirs) return NSOrderedSame;
  return NSOrderedAscending;
}

UIColorRef PCCountedColor::color() const {
  std::lock_guard lock(colorMutex_);
  return color_;
}

void PCCountedColor::setColor(UIColorRef color) {
  std::lock_guard lock(colorMutex_);
  color_ = std::move(color);
}
