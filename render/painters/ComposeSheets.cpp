// Painter of what the composer sheets need beyond ordinary views: the document icon of a mail
// attachment, a white page with its top-right corner folded down and a few grey lines of text.
#include <algorithm>
#include <cmath>

#include "platform/messageui/MFMailComposeView.hpp"
#include "render/Painter.hpp"
#include "render/ViewPainter.hpp"

namespace render {

namespace {

void drawAttachmentIcon(Painter& painter, const UIView& view) {
  const CGSize size = view.frame().size;
  if (size.width <= 2 || size.height <= 2) return;
  cairo_t* cr = painter.cr();
  const double line = 1, fold = std::min(size.width, size.height) * 0.3, r = 2;
  const double x0 = line / 2, y0 = line / 2, x1 = size.width - line / 2, y1 = size.height - line / 2;
  cairo_save(cr);
  // The page: rounded corners except the folded one, which is cut diagonally.
  cairo_new_path(cr);
  cairo_move_to(cr, x0 + r, y0);
  cairo_line_to(cr, x1 - fold, y0);
  cairo_line_to(cr, x1, y0 + fold);
  cairo_arc(cr, x1 - r, y1 - r, r, 0, M_PI / 2);
  cairo_arc(cr, x0 + r, y1 - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x0 + r, y0 + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, 0.62, 0.62, 0.65);
  cairo_set_line_width(cr, line);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
  // The folded corner: a triangle in the page's grey.
  cairo_move_to(cr, x1 - fold, y0);
  cairo_line_to(cr, x1 - fold, y0 + fold);
  cairo_line_to(cr, x1, y0 + fold);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 0.88, 0.88, 0.9);
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, 0.62, 0.62, 0.65);
  cairo_stroke(cr);
  // Lines of text.
  cairo_set_source_rgb(cr, 0.8, 0.8, 0.83);
  const double left = size.width * 0.2, right = size.width * 0.8;
  for (double y = y0 + fold + size.height * 0.1; y < y1 - size.height * 0.12; y += size.height * 0.11)
    cairo_rectangle(cr, left, y, right - left, 1);
  cairo_fill(cr);
  cairo_restore(cr);
}

}  // namespace

void registerComposeSheetPainters() { registerViewPainter("MFMailAttachmentIconView", {drawAttachmentIcon}); }

}  // namespace render
