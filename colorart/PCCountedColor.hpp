// PCCountedColor: a colour with how often it occurs, ordered so that an ascending sort puts the
// largest count first. Both properties are atomic: a reader on another thread always gets a
// whole value.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/foundation/ReflectiveObject.hpp"
#include "platform/uikit/UIColor.hpp"

using NSComparisonResult = int64_t;
constexpr NSComparisonResult NSOrderedAscending = -1;
constexpr NSComparisonResult NSOrderedSame = 0;
constexpr NSComparisonResult NSOrderedDescending = 1;

class PCCountedColor;
using PCCountedColorRef = std::shared_ptr<PCCountedColor>;

class PCCountedColor : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  // initWithColor:count:
  PCCountedColor(UIColorRef color, uint64_t count);

  // -1 when `object` is not a PCCountedColor (null included); +1 when the receiver's count is
  // smaller, 0 when equal, -1 when larger (counts compared as unsigned 64-bit values).
  NSComparisonResult compare(const ReflectiveObjectRef& object) const;

  uint64_t count() const { return count_.load(); }
  void setCount(uint64_t count) { count_.store(count); }
  UIColorRef color() const;
  void setColor(UIColorRef color);

 private:
  std::atomic<uint64_t> count_{0};
  mutable std::mutex colorMutex_;
  UIColorRef color_;
};
