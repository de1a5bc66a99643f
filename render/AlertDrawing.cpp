#include "render/AlertDrawing.hpp"

#include <algorithm>
#include <cmath>

#include <nlohmann/json.hpp>

#include "platform/uikit/UIAlertPanelLayout.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UILabel.hpp"
#include "platform/uikit/UIVisualEffectView.hpp"
#include "render/BlurEffect.hpp"
#include "render/Painter.hpp"
#include "render/TextDrawing.hpp"

namespace render {

namespace {

// How the system's alert panel looks (its geometry is the platform's layout).
constexpr double kCornerRadius = 13;
constexpr double kHairline = 0.5;
constexpr double kFieldTextInset = 6;

TextStyle titleStyle() { return {kAlertTitleFont, kAlertTitleSize, UIColor::blackColor(), NSTextAlignmentCenter, 0}; }
TextStyle messageStyle() { return {kAlertMessageFont, kAlertMessageSize, UIColor::blackColor(), NSTextAlignmentCenter, 0}; }
TextStyle fieldStyle(UIColorRef color) { return {"Helvetica", 13, std::move(color), NSTextAlignmentLeft, 1}; }
UIColorRef buttonColor() { return UIColor::colorWithRed(0, 122 / 255.0, 1, 1); }

UIAlertPanelLayout layoutOf(const AlertContent& alert, CGRect screen) {
  return layoutAlertPanel(alert.title, alert.message, alert.hasTextField, alert.cancel, alert.others, screen);
}

// The panel is a light material: a blur of what lies beneath, whitened. Paints the current clip.
void drawMaterial(Painter& painter, const CGRect& panel) {
  const BlurStyle style = blurStyle(UIBlurEffectStyleExtraLight);
  const double sigma = style.sigma * painter.scale();
  if (Backdrop backdrop = painter.captureBackdrop(panel, static_cast<int>(std::ceil(3 * sigma)))) {
    gaussianBlur(backdrop.surface, sigma);
    painter.paintBackdrop(backdrop);
  }
  cairo_set_source_rgba(painter.cr(), 0.97, 0.97, 0.97, 0.88);
  cairo_paint(painter.cr());
}

// The insertion point after the text: a bar in the tint colour, kept inside the field.
void drawCaret(Painter& painter, const AlertContent& alert, const CGRect& textRect) {
  const double textWidth = alert.fieldText.empty() ? 0 : textSize(painter, alert.fieldText, fieldStyle(nullptr), 0).width;
  const double width = 2, height = 17;
  const double x = std::min(textRect.origin.x + textWidth + 1, textRect.maxX() - width);
  cairo_t* cr = painter.cr();
  roundedRectPath(cr, {{x, textRect.midY() - height / 2}, {width, height}}, 1);
  setSourceColor(cr, *buttonColor());
  cairo_fill(cr);
}

// A white rounded field with its text, or its placeholder in grey, and the caret while focused.
void drawTextField(Painter& painter, const AlertContent& alert, const CGRect& field) {
  cairo_t* cr = painter.cr();
  roundedRectPath(cr, field, 4);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_fill_preserve(cr);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.25);
  cairo_set_line_width(cr, kHairline);
  cairo_stroke(cr);
  const CGRect textRect{{field.origin.x + kFieldTextInset, field.origin.y},
                        {field.size.width - 2 * kFieldTextInset, field.size.height}};
  if (!alert.fieldText.empty())
    drawText(painter, alert.fieldText, fieldStyle(UIColor::blackColor()), textRect);
  else if (alert.fieldPlaceholder)
    drawText(painter, *alert.fieldPlaceholder, fieldStyle(UIColor::colorWithWhite(0.7, 1)), textRect);
  if (alert.fieldFocused) drawCaret(painter, alert, textRect);
}

void drawHairline(cairo_t* cr, double xa, double ya, double xb, double yb) {
  cairo_set_source_rgba(cr, 0, 0, 0, 0.2);
  cairo_set_line_width(cr, kHairline);
  cairo_move_to(cr, xa, ya);
  cairo_line_to(cr, xb, yb);
  cairo_stroke(cr);
}

// The buttons under hairlines: one over each row, and one between two buttons side by side.
void drawButtons(Painter& painter, const UIAlertPanelLayout& layout) {
  cairo_t* cr = painter.cr();
  for (const auto& b : layout.buttons) {
    const CGRect& f = b.frame;
    if (f.minX() == layout.panel.minX())
      drawHairline(cr, f.minX(), f.minY() + kHairline / 2, layout.panel.maxX(), f.minY() + kHairline / 2);
    if (f.minX() > layout.panel.minX()) drawHairline(cr, f.minX(), f.minY(), f.minX(), f.maxY());
    TextStyle style{b.isCancel ? "Helvetica-Bold" : "Helvetica", kAlertButtonSize, buttonColor(), NSTextAlignmentCenter, 1};
    drawText(painter, b.title, style, {{f.origin.x + 4, f.origin.y}, {f.size.width - 8, f.size.height}});
  }
}

}  // namespace

AlertContent AlertContent::from(const UIAlertView& alert) {
  AlertContent out;
  out.title = alert.title;
  out.message = alert.message;
  out.cancel = alert.cancelButtonTitle;
  out.others = alert.otherButtonTitles;
  if (auto field = alert.textFieldAtIndex(0)) {
    out.hasTextField = true;
    out.fieldText = field->text;
    out.fieldPlaceholder = field->placeholder;
    out.fieldFocused = field->isFirstResponder();
  }
  return out;
}

AlertContent AlertContent::fromDescription(const nlohmann::json& d) {
  auto opt = [&](const char* key) -> std::optional<std::string> {
    auto it = d.find(key);
    if (it == d.end() || !it->is_string()) return std::nullopt;
    return it->get<std::string>();
  };
  AlertContent out;
  out.title = opt("title");
  out.message = opt("message");
  out.cancel = opt("cancel");
  if (auto it = d.find("others"); it != d.end() && it->is_array())
    for (const auto& o : *it)
      if (o.is_string()) out.others.push_back(o.get<std::string>());
  if (auto text = opt("text")) {
    out.hasTextField = true;
    out.fieldText = *text;
  }
  out.fieldPlaceholder = opt("placeholder");
  if (auto it = d.find("firstResponder"); it != d.end() && it->is_boolean()) out.fieldFocused = it->get<bool>();
  return out;
}

CGSize alertPanelSize(const AlertContent& alert) { return layoutOf(alert, {{0, 0}, {0, 0}}).panel.size; }

void drawAlertPanel(Painter& painter, const AlertContent& alert, CGRect screen) {
  cairo_t* cr = painter.cr();
  const UIAlertPanelLayout layout = layoutOf(alert, screen);
  cairo_save(cr);
  roundedRectPath(cr, layout.panel, kCornerRadius);
  cairo_clip(cr);
  drawMaterial(painter, layout.panel);
  if (alert.title && layout.title.size.height > 0) drawText(painter, *alert.title, titleStyle(), layout.title);
  if (alert.message && layout.message.size.height > 0) drawText(painter, *alert.message, messageStyle(), layout.message);
  if (alert.hasTextField) drawTextField(painter, alert, layout.field);
  drawButtons(painter, layout);
  cairo_restore(cr);
}

}  // namespace render
