// Core Graphics geometry: points, sizes and rectangles in points, as doubles (CGFloat).
// Plain values with no dependencies, kept in the lowest tier (pixels) so that image contexts,
// the device profile and everything above share them.
#pragma once

#include <algorithm>

using CGFloat = double;

struct CGPoint {
  CGFloat x = 0, y = 0;
  bool operator==(const CGPoint&) const = default;
};

struct CGSize {
  CGFloat width = 0, height = 0;
  bool operator==(const CGSize&) const = default;
};

struct CGRect {
  CGPoint origin;
  CGSize size;
  bool operator==(const CGRect&) const = default;

  CGFloat minX() const { return std::min(origin.x, origin.x + size.width); }
  CGFloat minY() const { return std::min(origin.y, origin.y + size.height); }
  CGFloat maxX() const { return std::max(origin.x, origin.x + size.width); }
  CGFloat maxY() const { return std::max(origin.y, origin.y + size.height); }
  CGFloat midX() const { return origin.x + size.width / 2; }
  CGFloat midY() const { return origin.y + size.height / 2; }
  bool contains(CGPoint p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
};

inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat w, CGFloat h) { return CGRect{{x, y}, {w, h}}; }
inline CGPoint CGPointMake(CGFloat x, CGFloat y) { return CGPoint{x, y}; }
inline CGSize CGSizeMake(CGFloat w, CGFloat h) { return CGSize{w, h}; }
inline constexpr CGRect CGRectZero{};
