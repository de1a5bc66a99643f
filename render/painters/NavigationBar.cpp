// Painter of navigation bars: the translucent light background (reaching up behind the status
// bar when the bar sits right under it), the hairline at its foot, and the items of its top
// entry drawn from the bar's own state: the back button naming the previous entry, the title or
// the title view, and the right bar button item.
#include <algorithm>
#include <cmath>

#include "platform/uikit/UILabel.hpp"
#include "platform/uikit/UINavigationController.hpp"
#include "render/BlurEffect.hpp"
#include "render/Painter.hpp"
#include "render/TextDrawing.hpp"
#include "render/ViewPainter.hpp"
#include "render/painters/SystemLook.hpp"

namespace render {

namespace {

constexpr double kTitleSize = 17;
constexpr double kSideMargin = 8;
constexpr double kBackTitleX = 26;  // where the back title starts, after the chevron

void drawBackground(Painter& painter, const UIView& bar) {
  cairo_t* cr = painter.cr();
  const CGSize size = bar.frame().size;
  // A bar just under the status bar extends its background behind it, as the phone's does.
  const double top = bar.frame().origin.y > 0 && bar.frame().origin.y <= 20 ? -bar.frame().origin.y : 0;
  const CGRect area{{0, top}, {size.width, size.height - top}};
  cairo_save(cr);
  cairo_rectangle(cr, area.minX(), area.minY(), area.size.width, area.size.height);
  cairo_clip(cr);
  // Translucency: what lies under the bar shows through, blurred and washed out.
  const double sigma = 10 * painter.scale();
  if (Backdrop backdrop = painter.captureBackdrop(area, static_cast<int>(std::ceil(2 * sigma)))) {
    gaussianBlur(backdrop.surface, sigma);
    painter.paintBackdrop(backdrop);
  }
  cairo_set_source_rgba(cr, 247 / 255.0, 247 / 255.0, 247 / 255.0, 0.86);
  cairo_paint(cr);
  cairo_restore(cr);
  // The hairline along the foot: one device pixel.
  const double hair = 1 / painter.scale();
  cairo_rectangle(cr, 0, size.height - hair, size.width, hair);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.3);
  cairo_fill(cr);
}

// "<" of the back button, its box's left edge at x, vertically centred at cy.
void backChevron(cairo_t* cr, double x, double cy) {
  cairo_save(cr);
  cairo_set_line_width(cr, 2.6);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cr, x + 11, cy - 9.5);
  cairo_line_to(cr, x + 1.5, cy);
  cairo_line_to(cr, x + 11, cy + 9.5);
  cairo_stroke(cr);
  cairo_restore(cr);
}

// The compose glyph: a square open at its top right corner with a pencil across that corner,
// in a 24 point box whose top-left is (x, y).
void composeGlyph(cairo_t* cr, double x, double y) {
  cairo_save(cr);
  cairo_set_line_width(cr, 1.5);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  const double s = 18, left = x + 2, top = y + 4;
  cairo_move_to(cr, left + 10, top);
  cairo_line_to(cr, left, top);
  cairo_line_to(cr, left, top + s);
  cairo_line_to(cr, left + s, top + s);
  cairo_line_to(cr, left + s, top + 8);
  cairo_stroke(cr);
  // The pencil: a slim body from the square's inside to beyond its corner, a pointed tip.
  cairo_translate(cr, left + 8, top + 10);
  cairo_rotate(cr, -M_PI / 4);
  const double length = 15, width = 3;
  cairo_rectangle(cr, 3, -width / 2, length - 3, width);
  cairo_fill(cr);
  cairo_move_to(cr, 0, 0);
  cairo_line_to(cr, 2.4, -width / 2);
  cairo_line_to(cr, 2.4, width / 2);
  cairo_close_path(cr);
  cairo_fill(cr);
  cairo_restore(cr);
}

// Returns the left edge of what it drew (the bar's width when nothing).
double drawRightItem(Painter& painter, const UIBarButtonItem& item, const CGSize& bar, const UIColorRef& tint) {
  cairo_t* cr = painter.cr();
  if (item.title) {
    const TextStyle style{item.style == UIBarButtonItemStyleDone ? "Helvetica-Semibold" : "Helvetica", kTitleSize, tint,
                          NSTextAlignmentRight, 1};
    const double w = std::min(textSize(painter, *item.title, style, 0).width, bar.width / 3);
    drawText(painter, *item.title, style, {{bar.width - kSideMargin - w, 0}, {w, bar.height}});
    return bar.width - kSideMargin - w;
  }
  switch (item.systemItem) {
    case UIBarButtonSystemItemCompose: {
      const double x = bar.width - kSideMargin - 24 - 2;
      setSourceColor(cr, *tint);
      composeGlyph(cr, x, (bar.height - 24) / 2);
      return x;
    }
    case UIBarButtonSystemItemDone: {
      const TextStyle style{"Helvetica-Semibold", kTitleSize, tint, NSTextAlignmentRight, 1};
      const double w = textSize(painter, "Done", style, 0).width;
      drawText(painter, "Done", style, {{bar.width - kSideMargin - w, 0}, {w, bar.height}});
      return bar.width - kSideMargin - w;
    }
    default:
      return bar.width;
  }
}

void drawNavigationBar(Painter& painter, const UIView& view) {
  const auto& bar = static_cast<const UINavigationBar&>(view);
  const CGSize size = view.frame().size;
  if (size.width <= 0 || size.height <= 0) return;
  drawBackground(painter, view);
  const UINavigationItemRef top = bar.topItem();
  if (!top) return;
  cairo_t* cr = painter.cr();
  const UIColorRef tint = Painter::effectiveTintColor(view);

  double rightEdge = size.width;
  if (top->rightBarButtonItem) rightEdge = drawRightItem(painter, *top->rightBarButtonItem, size, tint);

  // The title, measured first: the back button gives way to it.
  const TextStyle titleStyle{"Helvetica-Semibold", kTitleSize, UIColor::blackColor(), NSTextAlignmentCenter, 1};
  double titleWidth = 0;
  if (top->titleView)
    titleWidth = top->titleView->frame().size.width;
  else if (top->title)
    titleWidth = textSize(painter, *top->title, titleStyle, 0).width;

  double leftEdge = 0;
  if (const UINavigationItemRef back = bar.backItem()) {
    setSourceColor(cr, *tint);
    backChevron(cr, kSideMargin, size.height / 2);
    const TextStyle backStyle{"Helvetica", kTitleSize, tint, NSTextAlignmentLeft, 1};
    // Too long a title beside the page's own gives way to "Back", as on the phone.
    const double room = (size.width - titleWidth) / 2 - kBackTitleX - kSideMargin;
    std::string text = back->title && !back->title->empty() ? *back->title : "Back";
    double w = textSize(painter, text, backStyle, 0).width;
    if (w > room) {
      text = "Back";
      w = textSize(painter, text, backStyle, 0).width;
    }
    w = std::min(w, std::max(0.0, room));
    drawText(painter, text, backStyle, {{kBackTitleX, 0}, {w, size.height}});
    leftEdge = kBackTitleX + w;
  }

  if (const UIViewRef& titleView = top->titleView) {
    // The title view keeps its size and its alpha (the pane fades its logo in).
    const CGSize t = titleView->frame().size;
    painter.drawViewAt(*titleView, {std::round((size.width - t.width) / 2), std::round((size.height - t.height) / 2)});
  } else if (top->title && !top->title->empty()) {
    // Centred on the bar while it fits between the side items, else between them.
    const double side = std::max(leftEdge, size.width - rightEdge) + kSideMargin;
    const double room = std::max(0.0, size.width - 2 * side);
    drawText(painter, *top->title, titleStyle, {{side, 0}, {room, size.height}});
  }
}

}  // namespace

void registerNavigationBarPainters() { registerViewPainter("UINavigationBar", {drawNavigationBar}); }

}  // namespace render
