#include "render/RoundedRectPath.hpp"

#include <algorithm>
#include <cmath>

namespace render {

void roundedRectPath(cairo_t* cr, CGRect rect, double radius) {
  const double x = rect.minX(), y = rect.minY();
  const double w = rect.maxX() - x, h = rect.maxY() - y;
  radius = std::clamp(radius, 0.0, std::min(w, h) / 2);
  if (radius <= 0) {
    cairo_rectangle(cr, x, y, w, h);
    return;
  }
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - radius, y + radius, radius, -M_PI / 2, 0);
  cairo_arc(cr, x + w - radius, y + h - radius, radius, 0, M_PI / 2);
  cairo_arc(cr, x + radius, y + h - radius, radius, M_PI / 2, M_PI);
  cairo_arc(cr, x + radius, y + radius, radius, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

}  // namespace render
