#include "platform/uikit/UIColor.hpp"

#include <algorithm>
#include <cmath>

VW_DEFINE_CLASS(UIColor, ReflectiveObject, nullptr)

UIColorRef UIColor::colorWithRed(double red, double green, double blue, double alpha) {
  return std::make_shared<UIColor>(red, green, blue, alpha);
}

UIColorRef UIColor::colorWithWhite(double white, double alpha) { return std::make_shared<UIColor>(white, white, white, alpha); }

UIColorRef UIColor::colorWithHue(double hue, double saturation, double brightness, double alpha) {
  double r, g, b;
  hsbToRgb(hue, saturation, brightness, &r, &g, &b);
  return colorWithRed(r, g, b, alpha);
}

UIColorRef UIColor::whiteColor() { return colorWithWhite(1.0, 1.0); }
UIColorRef UIColor::blackColor() { return colorWithWhite(0.0, 1.0); }
UIColorRef UIColor::clearColor() { return colorWithWhite(0.0, 0.0); }
UIColorRef UIColor::grayColor() { return colorWithWhite(0.5, 1.0); }
UIColorRef UIColor::darkGrayColor() { return colorWithWhite(1.0 / 3.0, 1.0); }

bool UIColor::getRed(double* red, double* green, double* blue, double* alpha) const {
  if (red) *red = color_.red;
  if (green) *green = color_.green;
  if (blue) *blue = color_.blue;
  if (alpha) *alpha = color_.alpha;
  return true;
}

bool UIColor::getHue(double* hue, double* saturation, double* brightness, double* alpha) const {
  double h, s, v;
  rgbToHsb(color_.red, color_.green, color_.blue, &h, &s, &v);
  if (hue) *hue = h;
  if (saturation) *saturation = s;
  if (brightness) *brightness = v;
  if (alpha) *alpha = color_.alpha;
  return true;
}
