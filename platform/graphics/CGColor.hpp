// Core Graphics stand-in: colours as plain values.
// Implements: a device-RGB colour of four components (red, green, blue, alpha, each 0 to 1),
// the value that layers hold and that UIKit's colours wrap (UIColor's CGColor).
// Leaves out: colour spaces other than device RGB, patterns, reference counting (a colour is
// copied; an absent colour is an empty std::optional).
#pragma once

#include <optional>

struct CGColor {
  double red = 0, green = 0, blue = 0, alpha = 0;
  bool operator==(const CGColor&) const = default;
};

// A layer's colour property: empty where the phone's would be NULL.
using CGColorRef = std::optional<CGColor>;
