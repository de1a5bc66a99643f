// UIKit stand-in: colours.
// Implements: RGBA, grey (white level) and HSBA colours, read back as RGBA or HSBA in the
// standard HSB (HSV) model, the named system colours the product uses, and the plain value
// underneath (CGColor, platform/graphics), which layers hold.
// Leaves out: pattern colours, colour spaces other than device RGB, dynamic colours.
#pragma once

#include <memory>

#include "platform/foundation/ReflectiveObject.hpp"
#include "platform/graphics/CGColor.hpp"
#include "platform/graphics/ColorModel.hpp"

class UIColor;
using UIColorRef = std::shared_ptr<UIColor>;

class UIColor : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  UIColor(double red, double green, double blue, double alpha) : color_{red, green, blue, alpha} {}

  static UIColorRef colorWithRed(double red, double green, double blue, double alpha);
  static UIColorRef colorWithWhite(double white, double alpha);
  static UIColorRef colorWithHue(double hue, double saturation, double brightness, double alpha);
  static UIColorRef whiteColor();     // white 1.0
  static UIColorRef blackColor();     // white 0.0
  static UIColorRef clearColor();     // white 0.0, alpha 0.0
  static UIColorRef grayColor();      // white 0.5
  static UIColorRef darkGrayColor();  // white 1/3

  // Always succeeds for the colours this platform makes.
  bool getRed(double* red, double* green, double* blue, double* alpha) const;
  bool getHue(double* hue, double* saturation, double* brightness, double* alpha) const;

  double red() const { return color_.red; }
  double green() const { return color_.green; }
  double blue() const { return color_.blue; }
  double alpha() const { return color_.alpha; }
  // The CGColor property: the same colour as a plain value.
  ::CGColor CGColor() const { return color_; }

  // The HSB (HSV) conversions behind colorWithHue and getHue, as pure functions on doubles, for
  // callers that convert many colours without making colour objects.
  static void hsbToRgb(double hue, double saturation, double brightness, double* red, double* green, double* blue) {
    ::hsbToRgb(hue, saturation, brightness, red, green, blue);
  }
  static void rgbToHsb(double red, double green, double blue, double* hue, double* saturation, double* brightness) {
    ::rgbToHsb(red, green, blue, hue, saturation, brightness);
  }

  // Same colour: all four components exactly equal.
  bool isEqual(const UIColor& other) const { return color_ == other.color_; }

 private:
  ::CGColor color_;
};
