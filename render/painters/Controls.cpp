// Painters of buttons (titles, and the transport glyphs of media controls) and text fields.
#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UIControl.hpp"
#include "platform/uikit/UILabel.hpp"
#include "render/Painter.hpp"
#include "render/TextDrawing.hpp"
#include "render/ViewPainter.hpp"

namespace render {

namespace {

enum class Glyph { Previous, Play, Pause, PlayPause, Next };

// Titles that name a transport action, by word or by symbol.
std::optional<Glyph> transportGlyph(const std::string& title) {
  std::string t;
  for (unsigned char c : title)
    if (!std::isspace(c)) t.push_back(static_cast<char>(std::tolower(c)));
  if (t == "previous" || t == "prev" || t == "previoustrack" || t == "\u23EE" || t == "\u23EA" || t == "\u25C0\u25C0" ||
      t == "|<<")
    return Glyph::Previous;
  if (t == "next" || t == "nexttrack" || t == "\u23ED" || t == "\u23E9" || t == "\u25B6\u25B6" || t == ">>|") return Glyph::Next;
  if (t == "play" || t == "\u25B6" || t == "\u25BA" || t == "\u23F5") return Glyph::Play;
  if (t == "pause" || t == "\u23F8" || t == "\u275A\u275A" || t == "||") return Glyph::Pause;
  if (t == "play/pause" || t == "playpause" || t == "\u23EF") return Glyph::PlayPause;
  return std::nullopt;
}

void triangle(cairo_t* cr, double x, double cy, double w, double h, bool right) {
  if (right) {
    cairo_move_to(cr, x, cy - h / 2);
    cairo_line_to(cr, x + w, cy);
    cairo_line_to(cr, x, cy + h / 2);
  } else {
    cairo_move_to(cr, x + w, cy - h / 2);
    cairo_line_to(cr, x, cy);
    cairo_line_to(cr, x + w, cy + h / 2);
  }
  cairo_close_path(cr);
}

// The glyph centred at (cx, cy), s points tall.
void drawGlyph(cairo_t* cr, Glyph glyph, double cx, double cy, double s) {
  const double h = s, w = s * 0.8;
  switch (glyph) {
    case Glyph::Play:
      triangle(cr, cx - w * 0.4, cy, w, h, true);
      break;
    case Glyph::Pause:
      cairo_rectangle(cr, cx - w * 0.45, cy - h / 2, w * 0.3, h);
      cairo_rectangle(cr, cx + w * 0.15, cy - h / 2, w * 0.3, h);
      break;
    case Glyph::PlayPause:
      triangle(cr, cx - w * 0.9, cy, w * 0.8, h * 0.8, true);
      cairo_rectangle(cr, cx + w * 0.1, cy - h * 0.4, w * 0.22, h * 0.8);
      cairo_rectangle(cr, cx + w * 0.5, cy - h * 0.4, w * 0.22, h * 0.8);
      break;
    case Glyph::Next:
      triangle(cr, cx - w, cy, w, h * 0.7, true);
      triangle(cr, cx, cy, w, h * 0.7, true);
      break;
    case Glyph::Previous:
      triangle(cr, cx - w, cy, w, h * 0.7, false);
      triangle(cr, cx, cy, w, h * 0.7, false);
      break;
  }
  cairo_fill(cr);
}

void drawButton(Painter& painter, const UIView& view) {
  const auto& button = static_cast<const UIButton&>(view);
  const auto title = button.titleForState(0);
  if (!title || title->empty()) return;
  const CGSize size = view.frame().size;
  // System buttons take the tint colour; custom ones have white titles, as in the toolkit.
  const UIColorRef color = button.buttonType == UIButtonTypeSystem ? Painter::effectiveTintColor(view) : UIColor::whiteColor();
  if (auto glyph = transportGlyph(*title)) {
    cairo_t* cr = painter.cr();
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, size.width, size.height);
    cairo_clip(cr);
    setSourceColor(cr, *color);
    drawGlyph(cr, *glyph, size.width / 2, size.height / 2, std::min({size.width * 0.5, size.height * 0.5, 22.0}));
    cairo_restore(cr);
    return;
  }
  const double fontSize = button.buttonType == UIButtonTypeSystem ? 15 : 18;
  drawText(painter, *title, {"Helvetica", fontSize, color, NSTextAlignmentCenter, 1}, {{0, 0}, size});
}

void drawTextField(Painter& painter, const UIView& view) {
  const auto& field = static_cast<const UITextField&>(view);
  const CGSize size = view.frame().size;
  const CGRect inner{{4, 0}, {size.width - 8, size.height}};
  if (!field.text.empty())
    drawText(painter, field.text, {"Helvetica", 17, UIColor::blackColor(), NSTextAlignmentLeft, 1}, inner);
  else if (field.placeholder)
    drawText(painter, *field.placeholder, {"Helvetica", 17, UIColor::colorWithWhite(0.7, 1), NSTextAlignmentLeft, 1}, inner);
}

}  // namespace

void registerControlPainters() {
  registerViewPainter("UIButton", {drawButton});
  registerViewPainter("UITextField", {drawTextField});
}

}  // namespace render
