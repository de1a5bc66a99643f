// Painters of image views and labels.
#include <algorithm>

#include "platform/uikit/UIImageView.hpp"
#include "platform/uikit/UILabel.hpp"
#include "render/Painter.hpp"
#include "render/TextDrawing.hpp"
#include "render/ViewPainter.hpp"

namespace render {

namespace {

// The image stretched (or fitted, or filled) into the view by its content mode.
void drawImageView(Painter& painter, const UIView& view) {
  const auto& imageView = static_cast<const UIImageView&>(view);
  const UIImageRef& image = imageView.image();
  if (!image || image->pixelWidth() <= 0 || image->pixelHeight() <= 0) return;
  const CGSize size = view.frame().size;
  if (size.width <= 0 || size.height <= 0) return;
  cairo_t* cr = painter.cr();
  const int w = image->pixelWidth(), h = image->pixelHeight();
  // The image's pixels are the layout of a Cairo ARGB32 surface; Cairo only reads them.
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(image->pixels().data())), CAIRO_FORMAT_ARGB32, w, h, w * 4);
  const CGSize points = image->size();
  double sx = size.width / points.width, sy = size.height / points.height;
  double x = 0, y = 0;
  if (imageView.contentMode == UIViewContentModeScaleAspectFit || imageView.contentMode == UIViewContentModeScaleAspectFill) {
    const double s = imageView.contentMode == UIViewContentModeScaleAspectFit ? std::min(sx, sy) : std::max(sx, sy);
    sx = sy = s;
    x = (size.width - points.width * s) / 2;
    y = (size.height - points.height * s) / 2;
  }
  cairo_save(cr);
  cairo_rectangle(cr, x, y, points.width * sx, points.height * sy);
  cairo_clip(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, sx / image->scale(), sy / image->scale());
  cairo_set_source_surface(cr, surface, 0, 0);
  cairo_pattern_t* pattern = cairo_get_source(cr);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);  // no dark seams at the edges
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_surface_destroy(surface);
}

void drawLabel(Painter& painter, const UIView& view) {
  const auto& label = static_cast<const UILabel&>(view);
  if (!label.text() || label.text()->empty()) return;
  TextStyle style;
  if (label.font()) {
    style.fontName = label.font()->fontName;
    style.pointSize = label.font()->pointSize;
  }
  style.color = label.textColor() ? label.textColor() : UIColor::blackColor();
  style.alignment = label.textAlignment();
  style.lines = label.numberOfLines();
  drawText(painter, *label.text(), style, {{0, 0}, view.frame().size});
}

}  // namespace

void registerBasicViewPainters() {
  registerViewPainter("UIImageView", {drawImageView});
  registerViewPainter("UILabel", {drawLabel});
}

}  // namespace render
