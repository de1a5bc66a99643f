// UIKit stand-in: colours.
// Implements: RGBA, grey (white level) and HSBA colours, read back as RGBA or HSBA in the
// standard HSB (HSV) model, and the named system colours the product uses.
// Leaves out: pattern colours, colour spaces other than device RGB, dynamic colours.
#pragma once

#include <memory>

#include "platform/foundation/NSObject.hpp"

class UIColor;
using UIColorRef = std::shared_ptr<UIColor>;

class UIColor : public NSObject {
  VW_DECLARE_CLASS()
 public:
  UIColor(double red, double green, double blue, double alpha) : r_(red), g_(green), b_(blue), a_(alpha) {}

  static UIColorRef colorWithRed(double red, double green, double blue, double alpha);
  static UIColorRef colorWithWhite(double white, double alpha);
  static UIColorRef colorWithHue(double hue, double saturation, double brightness, double alpha);
  static UIColorRef whiteColor();     // white 1.0
  static UIColorRef blackColor();     // white 0.0
  static UIColorRef clearColor();     // white 0.0, alpha 0.0
  static UIColorRef grayColor();      // white 0.5
  static UIColorRef darkGrayColor();  // white 1/3
  static UIColorRef lightGrayColor(); // white 2/3

  // Always succeeds for the colours this platform makes.
  bool getRed(double* red, double* green, double* blue, double* alpha) const;
  bool getHue(double* hue, double* saturation, double* brightness, double* alpha) const;

  double red() const { return r_; }
  double green() const { return g_; }
  double blue() const { return b_; }
  double alpha() const { return a_; }

  // The HSB (HSV) conversions behind colorWithHue and getHue, as pure functions on doubles, for
  // callers that convert many colours without making colour objects.
  static void hsbToRgb(double hue, double saturation, double brightness, double* red, double* green, double* blue);
  static void rgbToHsb(double red, double green, double blue, double* hue, double* saturation, double* brightness);

  // Same colour: all four components exactly equal.
  bool isEqual(const UIColor& other) const { return r_ == other.r_ && g_ == other.g_ && b_ == other.b_ && a_ == other.a_; }

 private:
  double r_, g_, b_, a_;
};
