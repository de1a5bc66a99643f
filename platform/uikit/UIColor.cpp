#include "platform/uikit/UIColor.hpp"

#include <algorithm>
#include <cmath>

VW_DEFINE_CLASS(UIColor, NSObject, nullptr)

UIColorRef UIColor::colorWithRed(double red, double green, double blue, double alpha) {
  return std::make_shared<UIColor>(red, green, blue, alpha);
}

UIColorRef UIColor::colorWithWhite(double white, double alpha) { return std::make_shared<UIColor>(white, white, white, alpha); }

UIColorRef UIColor::colorWithHue(double hue, double saturation, double brightness, double alpha) {
  // Standard HSV to RGB: six sectors of the wheel.
  double h = hue - std::floor(hue);
  double s = std::clamp(saturation, 0.0, 1.0);
  double v = std::clamp(brightness, 0.0, 1.0);
  if (s == 0) return colorWithRed(v, v, v, alpha);
  double sector = h * 6.0;
  int i = static_cast<int>(std::floor(sector)) % 6;
  double f = sector - std::floor(sector);
  double p = v * (1.0 - s);
  double q = v * (1.0 - s * f);
  double t = v * (1.0 - s * (1.0 - f));
  switch (i) {
    case 0: return colorWithRed(v, t, p, alpha);
    case 1: return colorWithRed(q, v, p, alpha);
    case 2: return colorWithRed(p, v, t, alpha);
    case 3: return colorWithRed(p, q, v, alpha);
    case 4: return colorWithRed(t, p, v, alpha);
    default: return colorWithRed(v, p, q, alpha);
  }
}

UIColorRef UIColor::whiteColor() { return colorWithWhite(1.0, 1.0); }
UIColorRef UIColor::blackColor() { return colorWithWhite(0.0, 1.0); }
UIColorRef UIColor::clearColor() { return colorWithWhite(0.0, 0.0); }
UIColorRef UIColor::grayColor() { return colorWithWhite(0.5, 1.0); }
UIColorRef UIColor::darkGrayColor() { return colorWithWhite(1.0 / 3.0, 1.0); }
UIColorRef UIColor::lightGrayColor() { return colorWithWhite(2.0 / 3.0, 1.0); }

bool UIColor::getRed(double* red, double* green, double* blue, double* alpha) const {
  if (red) *red = r_;
  if (green) *green = g_;
  if (blue) *blue = b_;
  if (alpha) *alpha = a_;
  return true;
}

bool UIColor::getHue(double* hue, double* saturation, double* brightness, double* alpha) const {
  double maxc = std::max({r_, g_, b_});
  double minc = std::min({r_, g_, b_});
  double delta = maxc - minc;
  double h = 0;
  if (delta > 0) {
    if (maxc == r_)
      h = (g_ - b_) / delta;
    else if (maxc == g_)
      h = 2.0 + (b_ - r_) / delta;
    else
      h = 4.0 + (r_ - g_) / delta;
    h /= 6.0;
    if (h < 0) h += 1.0;
  }
  if (hue) *hue = h;
  if (saturation) *saturation = maxc == 0 ? 0 : delta / maxc;
  if (brightness) *brightness = maxc;
  if (alpha) *alpha = a_;
  return true;
}
