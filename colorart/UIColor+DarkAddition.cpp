#include "colorart/UIColor+DarkAddition.hpp"

using colorart::rgbaOf;

bool pc_isDarkColor(const UIColor& color) { return colorart::isDark(rgbaOf(color)); }

bool pc_isDistinct(const UIColor& color, const UIColor& compareColor) {
  return colorart::isDistinct(rgbaOf(color), rgbaOf(compareColor));
}

UIColorRef pc_colorWithMinimumSaturation(const UIColorRef& color, double minSaturation) {
  if (!color) return nullptr;
  double hue = 0, saturation = 0, brightness = 0, alpha = 0;
  color->getHue(&hue, &saturation, &brightness, &alpha);
  if (saturation < minSaturation) return UIColor::colorWithHue(hue, minSaturation, brightness, alpha);
  return color;
}

bool pc_isBlackOrWhite(const UIColorRef& color) { return color && pc_isBlackOrWhite(*color); }

bool pc_isBlackOrWhite(const UIColor& color) { return colorart::isBlackOrWhite(rgbaOf(color)); }

bool pc_isContrastingColor(const UIColor& color, const UIColorRef& backgroundColor) {
  if (!backgroundColor) return true;
  return pc_isContrastingColor(color, *backgroundColor);
}

bool pc_isContrastingColor(const UIColor& color, const UIColor& backgroundColor) {
  return colorart::isContrasting(rgbaOf(color), rgbaOf(backgroundColor));
}
