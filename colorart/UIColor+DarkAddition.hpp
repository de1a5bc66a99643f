// UIColor(DarkAddition): the colour predicates and the saturation transform that the colour art
// analysis is built on. Every operation is a pure function of its inputs.
//
// The same formulas are offered twice: on UIColor objects (the category's operations, named
// after its selectors) and on plain RGBA values (namespace colorart), so that the analysis can
// run them over many colours without making colour objects. The object forms read the colour
// and call the value forms, so both give bit-for-bit the same answers.
#pragma once

#include "platform/uikit/UIColor.hpp"

namespace colorart {

struct RGBA {
  double r = 0, g = 0, b = 0, a = 0;
};

inline RGBA rgbaOf(const UIColor& color) {
  RGBA c;
  color.getRed(&c.r, &c.g, &c.b, &c.a);
  return c;
}

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
  UIColor::rgbToHsb(c.r, c.g, c.b, &hue, &saturation, &brightness);
  if (saturation < minimum) {
    UIColor::hsbToRgb(hue, minimum, brightness, &out->r, &out->g, &out->b);
    out->a = c.a;
    return true;
  }
  *out = c;
  return false;
}

}  // namespace colorart

// YES when the colour's luminance is below 0.5 (0.5 itself is light).
bool pc_isDarkColor(const UIColor& color);
// YES when the two colours are clearly different: some RGBA component differs by more than
// 0.25, and they are not both near-grey.
bool pc_isDistinct(const UIColor& color, const UIColor& compareColor);
// The receiver itself (the same object) when its saturation is at least `minSaturation`, else a
// new colour with that saturation and the receiver's hue, brightness and alpha. Null for null.
UIColorRef pc_colorWithMinimumSaturation(const UIColorRef& color, double minSaturation);
// YES when every colour component is above 0.91 or every one below 0.09. NO for null.
bool pc_isBlackOrWhite(const UIColorRef& color);
bool pc_isBlackOrWhite(const UIColor& color);
// YES when the receiver (drawn) and the background differ in luminance by a ratio above 1.6;
// YES when there is no background.
bool pc_isContrastingColor(const UIColor& color, const UIColorRef& backgroundColor);
bool pc_isContrastingColor(const UIColor& color, const UIColor& backgroundColor);
