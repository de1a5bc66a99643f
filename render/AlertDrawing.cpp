#include "render/AlertDrawing.hpp"

#include <algorithm>
#include <cmath>

#include <nlohmann/json.hpp>

#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UILabel.hpp"
#include "platform/uikit/UIVisualEffectView.hpp"
#include "render/BlurEffect.hpp"
#include "render/Painter.hpp"
#include "render/TextDrawing.hpp"

namespace render {

namespace {

// Metrics of the system's alert panel, in points.
constexpr double kWidth = 270;
constexpr double kCornerRadius = 13;
constexpr double kInset = 16;     // text from the panel's sides
constexpr double kTop = 20;       // above the title
constexpr double kTitleGap = 4;   // between title and message
constexpr double kFieldGap = 14;  // above the text field
constexpr double kFieldHeight = 26;
constexpr double kBottom = 20;  // below the text, above the buttons
constexpr double kButtonHeight = 44;
constexpr double kHairline = 0.5;

TextStyle titleStyle() { return {"Helvetica-Bold", 17, UIColor::blackColor(), NSTextAlignmentCenter, 0}; }
TextStyle messageStyle() { return {"Helvetica", 13, UIColor::blackColor(), NSTextAlignmentCenter, 0}; }
UIColorRef buttonColor() { return UIColor::colorWithRed(0, 122 / 255.0, 1, 1); }

struct PanelLayout {
  double titleHeight = 0, messageHeight = 0;
  double textHeight = 0;             // from the top of the panel to the buttons' hairline
  std::vector<std::string> buttons;  // in drawing order
  std::vector<bool> bold;
  bool sideBySide = false;
  CGSize size;
};

PanelLayout layoutPanel(Painter& painter, const AlertContent& alert) {
  PanelLayout out;
  const double textWidth = kWidth - 2 * kInset;
  double y = kTop;
  if (alert.title && !alert.title->empty()) {
    out.titleHeight = std::ceil(textSize(painter, *alert.title, titleStyle(), textWidth).height);
    y += out.titleHeight;
  }
  if (alert.message && !alert.message->empty()) {
    if (out.titleHeight > 0) y += kTitleGap;
    out.messageHeight = std::ceil(textSize(painter, *alert.message, messageStyle(), textWidth).height);
    y += out.messageHeight;
  }
  if (alert.hasTextField) y += kFieldGap + kFieldHeight;
  y += kBottom;
  out.textHeight = y;

  const size_t count = alert.others.size() + (alert.cancel ? 1 : 0);
  out.sideBySide = count == 2;
  if (out.sideBySide) {
    // Cancel on the left.
    if (alert.cancel) {
      out.buttons = {*alert.cancel, alert.others[0]};
      out.bold = {true, false};
    } else {
      out.buttons = alert.others;
      out.bold = {false, false};
    }
  } else {
    out.buttons = alert.others;
    out.bold.assign(alert.others.size(), false);
    if (alert.cancel) {
      out.buttons.push_back(*alert.cancel);
      out.bold.push_back(true);
    }
  }
  const double buttonsHeight = count == 0 ? 0 : out.sideBySide ? kButtonHeight : kButtonHeight * double(count);
  out.size = {kWidth, y + buttonsHeight};
  return out;
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

// A white rounded field with its text, or its placeholder in grey.
void drawTextField(Painter& painter, const AlertContent& alert, const CGRect& field) {
  cairo_t* cr = painter.cr();
  roundedRectPath(cr, field, 4);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_fill_preserve(cr);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.25);
  cairo_set_line_width(cr, kHairline);
  cairo_stroke(cr);
  const CGRect textRect{{field.origin.x + 6, field.origin.y}, {field.size.width - 12, field.size.height}};
  if (!alert.fieldText.empty())
    drawText(painter, alert.fieldText, {"Helvetica", 13, UIColor::blackColor(), NSTextAlignmentLeft, 1}, textRect);
  else if (alert.fieldPlaceholder)
    drawText(painter, *alert.fieldPlaceholder, {"Helvetica", 13, UIColor::colorWithWhite(0.7, 1), NSTextAlignmentLeft, 1},
             textRect);
}

// Title, message and text field, from the panel's top-left corner down.
void drawPanelText(Painter& painter, const AlertContent& alert, const PanelLayout& layout, CGPoint origin) {
  const double textWidth = kWidth - 2 * kInset;
  const double x = origin.x + kInset;
  double y = origin.y + kTop;
  if (layout.titleHeight > 0) {
    drawText(painter, *alert.title, titleStyle(), {{x, y}, {textWidth, layout.titleHeight}});
    y += layout.titleHeight;
  }
  if (layout.messageHeight > 0) {
    if (layout.titleHeight > 0) y += kTitleGap;
    drawText(painter, *alert.message, messageStyle(), {{x, y}, {textWidth, layout.messageHeight}});
    y += layout.messageHeight;
  }
  if (alert.hasTextField) drawTextField(painter, alert, {{x, y + kFieldGap}, {textWidth, kFieldHeight}});
}

void drawHairline(cairo_t* cr, double xa, double ya, double xb, double yb) {
  cairo_set_source_rgba(cr, 0, 0, 0, 0.2);
  cairo_set_line_width(cr, kHairline);
  cairo_move_to(cr, xa, ya);
  cairo_line_to(cr, xb, yb);
  cairo_stroke(cr);
}

// The buttons under hairlines, from `top` (the panel's text height below its top) down.
void drawButtons(Painter& painter, const PanelLayout& layout, double x0, double top) {
  cairo_t* cr = painter.cr();
  auto button = [&](size_t i, CGRect rect) {
    TextStyle s{layout.bold[i] ? "Helvetica-Bold" : "Helvetica", 17, buttonColor(), NSTextAlignmentCenter, 1};
    drawText(painter, layout.buttons[i], s, {{rect.origin.x + 4, rect.origin.y}, {rect.size.width - 8, rect.size.height}});
  };
  if (layout.sideBySide) {
    drawHairline(cr, x0, top + kHairline / 2, x0 + kWidth, top + kHairline / 2);
    drawHairline(cr, x0 + kWidth / 2, top, x0 + kWidth / 2, top + kButtonHeight);
    button(0, {{x0, top}, {kWidth / 2, kButtonHeight}});
    button(1, {{x0 + kWidth / 2, top}, {kWidth / 2, kButtonHeight}});
    return;
  }
  for (size_t i = 0; i < layout.buttons.size(); ++i) {
    const double by = top + kButtonHeight * double(i);
    drawHairline(cr, x0, by + kHairline / 2, x0 + kWidth, by + kHairline / 2);
    button(i, {{x0, by}, {kWidth, kButtonHeight}});
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
  return out;
}

CGSize alertPanelSize(Painter& painter, const AlertContent& alert) { return layoutPanel(painter, alert).size; }

void drawAlertPanel(Painter& painter, const AlertContent& alert, CGRect screen) {
  cairo_t* cr = painter.cr();
  const PanelLayout layout = layoutPanel(painter, alert);
  const double x0 = std::round(screen.origin.x + (screen.size.width - layout.size.width) / 2);
  const double y0 = std::round(screen.origin.y + (screen.size.height - layout.size.height) / 2);
  const CGRect panel{{x0, y0}, layout.size};

  cairo_save(cr);
  roundedRectPath(cr, panel, kCornerRadius);
  cairo_clip(cr);
  drawMaterial(painter, panel);
  drawPanelText(painter, alert, layout, panel.origin);
  drawButtons(painter, layout, x0, y0 + layout.textHeight);
  cairo_restore(cr);
}

}  // namespace render
