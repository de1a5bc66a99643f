#include "platform/text/TextMetrics.hpp"

#include <pango/pangocairo.h>

#include <cmath>

#include "platform/text/Fonts.hpp"

namespace {

// Laid out as the renderer lays out a label: `width` > 0 wraps at word (else character)
// boundaries, as many lines as needed.
CGSize measureLayout(const std::string& fontName, double pointSize, const std::string& text, double width) {
  std::lock_guard lock(fonts::mutex());
  static PangoContext* context = [] {
    PangoContext* c = pango_font_map_create_context(fonts::fontMap());
    fonts::prepareContext(c);
    return c;
  }();
  PangoLayout* layout = pango_layout_new(context);
  PangoFontDescription* desc = fonts::newFontDescription(fontName, pointSize);
  pango_layout_set_font_description(layout, desc);
  fonts::setLayoutText(layout, text);
  if (width > 0) {
    pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  }
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  pango_font_description_free(desc);
  g_object_unref(layout);
  return {logical.width / double(PANGO_SCALE), logical.height / double(PANGO_SCALE)};
}

}  // namespace

CGSize measureTextExact(const std::string& fontName, double pointSize, const std::string& text) {
  return measureLayout(fontName, pointSize, text, 0);
}

CGSize measureWrappedText(const std::string& fontName, double pointSize, const std::string& text, double width) {
  CGSize size = measureLayout(fontName, pointSize, text, width);
  return {std::ceil(size.width), std::ceil(size.height)};
}

CGSize measureText(const std::string& fontName, double pointSize, const std::string& text) {
  CGSize size = measureTextExact(fontName, pointSize, text);
  return {std::ceil(size.width), std::ceil(size.height)};
}
