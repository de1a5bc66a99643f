#include "render/TextDrawing.hpp"

#include <pango/pangocairo.h>

#include <mutex>

#include "platform/text/Fonts.hpp"
#include "render/Painter.hpp"

namespace render {

namespace {

// A layout of the text in the style, `width` points wide (0: unlimited). Hold the fonts lock.
PangoLayout* makeLayout(Painter& painter, const std::string& text, const TextStyle& style, double width) {
  PangoContext* context = painter.pangoContext();
  PangoLayout* layout = pango_layout_new(context);
  PangoFontDescription* desc = fonts::newFontDescription(style.fontName, style.pointSize);
  pango_layout_set_font_description(layout, desc);
  pango_font_description_free(desc);
  fonts::setLayoutText(layout, text);
  if (style.lines == 1) pango_layout_set_single_paragraph_mode(layout, TRUE);
  if (width > 0) {
    pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
    pango_layout_set_alignment(layout, style.alignment == 1   ? PANGO_ALIGN_CENTER
                                       : style.alignment == 2 ? PANGO_ALIGN_RIGHT
                                                              : PANGO_ALIGN_LEFT);
    if (style.lines == 1) {
      pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    } else {
      pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
      if (style.lines > 1) {
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
        pango_layout_set_height(layout, static_cast<int>(-style.lines));
      }
    }
  }
  return layout;
}

}  // namespace

CGSize textSize(Painter& painter, const std::string& text, const TextStyle& style, double width) {
  std::lock_guard lock(fonts::mutex());
  PangoLayout* layout = makeLayout(painter, text, style, width);
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  g_object_unref(layout);
  return {logical.width / double(PANGO_SCALE), logical.height / double(PANGO_SCALE)};
}

void drawText(Painter& painter, const std::string& text, const TextStyle& style, CGRect rect) {
  if (text.empty() || rect.size.width <= 0 || rect.size.height <= 0) return;
  cairo_t* cr = painter.cr();
  std::lock_guard lock(fonts::mutex());
  PangoLayout* layout = makeLayout(painter, text, style, rect.size.width);
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  const double height = logical.height / double(PANGO_SCALE);
  cairo_save(cr);
  cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
  cairo_clip(cr);
  if (style.color)
    setSourceColor(cr, *style.color);
  else
    cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_move_to(cr, rect.origin.x, rect.origin.y + (rect.size.height - height) / 2 - logical.y / double(PANGO_SCALE));
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
  g_object_unref(layout);
}

}  // namespace render
