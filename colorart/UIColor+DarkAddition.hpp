// UIColor(DarkAddition): the colour predicates and the saturation transform that the colour art
// analysis is built on. Every operation is a pure function of its inputs.
//
// The operations read the colour and call the value forms of the analysis engine
// (colorart/engine/ColorValues.hpp), so both give bit-for-bit the same answers.
#pragma once

#include "colorart/engine/ColorValues.hpp"
#include "platform/uikit/UIColor.hpp"

namespace colorart {

inline RGBA rgbaOf(const UIColor& color) {
  RGBA c;
  color.getRed(&c.r, &c.g, &c.b, &c.a);
  return c;
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
