#include "platform/graphics/TextMetrics.hpp"

#include <pango/pangocairo.h>

#include <cmath>
#include <mutex>

#include <fmt/format.h>

std::string pangoFontDescription(const std::string& fontName, double pointSize) {
  // The faces the product names map onto families that the project's fontconfig file
  // aliases to installed fonts.
  std::string family = "Helvetica";
  std::string weight;
  if (fontName == "Helvetica Light" || fontName == "HelveticaNeue-Light" || fontName == "Helvetica-Light")
    family = "Helvetica Light";
  else if (fontName == "Helvetica-Bold" || fontName == "HelveticaNeue-Bold")
    weight = " Bold";
  else if (fontName != "Helvetica")
    family = fontName;
  // Pango sizes are in points at 96 dpi on Cairo image surfaces; we pass pixels per point.
  return fmt::format("{}{} {}px", family, weight, pointSize);
}

CGSize measureText(const std::string& fontName, double pointSize, const std::string& text) {
  static std::mutex mutex;  // Pango's font map is not thread-safe
  std::lock_guard lock(mutex);
  static PangoFontMap* fontMap = pango_cairo_font_map_new();
  static PangoContext* context = pango_font_map_create_context(fontMap);
  PangoLayout* layout = pango_layout_new(context);
  PangoFontDescription* desc = pango_font_description_from_string(pangoFontDescription(fontName, pointSize).c_str());
  pango_layout_set_font_description(layout, desc);
  pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  pango_font_description_free(desc);
  g_object_unref(layout);
  return {std::ceil(logical.width / double(PANGO_SCALE)), std::ceil(logical.height / double(PANGO_SCALE))};
}
