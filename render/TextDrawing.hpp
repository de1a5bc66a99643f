// Drawing text the way the toolkit's labels do, with Pango over the shared font map (so that
// drawn sizes equal the sizes platform/text/TextMetrics measures).
#pragma once

#include <string>

#include "platform/graphics/Geometry.hpp"
#include "platform/uikit/UIColor.hpp"

namespace render {

class Painter;

struct TextStyle {
  std::string fontName = "Helvetica";
  double pointSize = 17;
  UIColorRef color;    // null: black
  long alignment = 0;  // 0 left, 1 centre, 2 right
  long lines = 1;      // 0: as many as needed
};

// The size of the text laid out in at most `width` points (0: unlimited), by the style's line
// count; in points.
CGSize textSize(Painter& painter, const std::string& text, const TextStyle& style, double width);

// Draws the text in the rectangle like a label: aligned horizontally, the block of lines
// centred vertically, a line that does not fit cut with an ellipsis at the end, everything
// clipped to the rectangle.
void drawText(Painter& painter, const std::string& text, const TextStyle& style, CGRect rect);

}  // namespace render
