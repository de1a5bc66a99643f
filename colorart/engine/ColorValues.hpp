// The colour predicates and the saturation transform of the colour analysis, on plain RGBA
// values (doubles in [0, 1]). Every operation is a pure function of its inputs. UIColor's
// DarkAddition category reads a colour and calls these, so both give bit-for-bit the same answers.
#pragma once

#include "platform/graphics/ColorModel.hpp"

namespace colorart {

struct RGBA {
  double r = 0, g = 0, b = 0, a = 0;
};

// L = (0.2126 x red + 0.7152 x green) + 0.0722 x blue, on the components as read (no gamma).
inline double luminance(double r, double g, double b) { return (0.2126 * r + 0.7152 * g) + 0.0722 * b; }

inline bool isDark(const RGBA& c) { return luminance(c.r, c.g, c.b) < 0.5; }

inline double absDiff(double x, double y) { return x > y ? x - y : y - x; }

inline bool isNearGrey(const RGBA& c) { return absDiff(c.r, c.g) < 0.03 && absDiff(c.r, c.b) < 0.03; }

inline bool isDistinct(const RGBA& c, const RGBA& other) {
  if (absDiff(c.r, other.r) <= 0.25 && absDiff(c.g, other.g) <= 0.25 && absDiff(c.b, other.b) <= 0.25 &&
      absDiff(c.a, other.a) <= 0.25)
    return false;
  if (isNearGrey(c) && isNearGrey(other)) return false;
  return true;
}

inline bool isBlackOrWhite(const RGBA& c) {
  if (c.r > 0.91 && c.g > 0.91 && c.b > 0.91) return true;
  if (c.r < 0.09 && c.g < 0.09 && c.b < 0.09) return true;
  return false;
}

// Ratio of the larger luminance (+0.05) to the smaller one (+0.05).
inline double contrastRatio(double foregroundLuminance, double backgroundLuminance) {
  double lf = foregroundLuminance, lb = backgroundLuminance;
  return lf > lb ? (lf + 0.05) / (lb + 0.05) : (lb + 0.05) / (lf + 0.05);
}

inline bool isContrasting(const RGBA& foreground, const RGBA& background) {
  return contrastRatio(luminance(foreground.r, foreground.g, foreground.b), luminance(background.r, background.g, background.b)) >
         1.6;
}

// The colour with its saturation raised to `minimum` (hue, brightness and alpha kept), or the
// colour unchanged when its saturation is already at least `minimum`. Returns whether it raised.
inline bool withMinimumSaturation(const RGBA& c, double minimum, RGBA* out) {
  double hue = 0, saturation = 0, brightness = 0;
  rgbToHsb(c.r, c.g, c.b, &hue, &saturation, &brightness);
  if (saturation < minimum) {
    hsbToRgb(hue, minimum, brightness, &out->r, &out->g, &out->b);
    out->a = c.a;
    return true;
  }
  *out = c;
  return false;
}

}  // namespace colorart
