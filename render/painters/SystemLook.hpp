// Colours and shapes of the system's controls, kept together so that the painters agree on
// the system's green and greys, and a switch's thumb and a slider's look alike.
#pragma once

#include <cairo.h>

#include "platform/uikit/UIColor.hpp"

namespace render {

inline UIColorRef systemGreen() {
  static const UIColorRef c = UIColor::colorWithRed(76 / 255.0, 217 / 255.0, 100 / 255.0, 1);
  return c;
}
// The outline of a switch that is off.
inline UIColorRef switchOffBorder() {
  static const UIColorRef c = UIColor::colorWithRed(229 / 255.0, 229 / 255.0, 234 / 255.0, 1);
  return c;
}
// The part of a slider's track right of the thumb.
inline UIColorRef sliderMaximumTrack() {
  static const UIColorRef c = UIColor::colorWithWhite(183 / 255.0, 1);
  return c;
}
// Disclosure chevrons of table rows.
inline UIColorRef disclosureGrey() {
  static const UIColorRef c = UIColor::colorWithRed(199 / 255.0, 199 / 255.0, 204 / 255.0, 1);
  return c;
}
// A white round thumb (of a switch or a slider) centred at (cx, cy), with its soft shadow.
void drawThumb(cairo_t* cr, double cx, double cy, double radius);

}  // namespace render
