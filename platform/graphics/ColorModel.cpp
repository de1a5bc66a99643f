#include "platform/graphics/ColorModel.hpp"

#include <algorithm>
#include <cmath>

void hsbToRgb(double hue, double saturation, double brightness, double* red, double* green, double* blue) {
  // Standard HSV to RGB: six sectors of the wheel.
  double h = hue - std::floor(hue);
  double s = std::clamp(saturation, 0.0, 1.0);
  double v = std::clamp(brightness, 0.0, 1.0);
  double r, g, b;
  if (s == 0) {
    r = g = b = v;
  } else {
    double sector = h * 6.0;
    int i = static_cast<int>(std::floor(sector)) % 6;
    double f = sector - std::floor(sector);
    double p = v * (1.0 - s);
    double q = v * (1.0 - s * f);
    double t = v * (1.0 - s * (1.0 - f));
    switch (i) {
      case 0:
        r = v, g = t, b = p;
        break;
      case 1:
        r = q, g = v, b = p;
        break;
      case 2:
        r = p, g = v, b = t;
        break;
      case 3:
        r = p, g = q, b = v;
        break;
      case 4:
        r = t, g = p, b = v;
        break;
      default:
        r = v, g = p, b = q;
        break;
    }
  }
  *red = r;
  *green = g;
  *blue = b;
}

void rgbToHsb(double red, double green, double blue, double* hue, double* saturation, double* brightness) {
  double maxc = std::max({red, green, blue});
  double minc = std::min({red, green, blue});
  double delta = maxc - minc;
  double h = 0;
  if (delta > 0) {
    if (maxc == red)
      h = (green - blue) / delta;
    else if (maxc == green)
      h = 2.0 + (blue - red) / delta;
    else
      h = 4.0 + (red - green) / delta;
    h /= 6.0;
    if (h < 0) h += 1.0;
  }
  *hue = h;
  *saturation = maxc == 0 ? 0 : delta / maxc;
  *brightness = maxc;
}
