// Painters of the controls a settings page is made of: switches, sliders, segmented controls
// and the accessories of table cells, drawn as the phone's system of that time draws them
// (flat tracks, white round thumbs with a soft shadow, tint-coloured outlines).
#include <algorithm>
#include <cmath>

#include "platform/uikit/UISegmentedControl.hpp"
#include "platform/uikit/UISlider.hpp"
#include "platform/uikit/UISwitch.hpp"
#include "platform/uikit/UITableViewCell.hpp"
#include "render/Painter.hpp"
#include "render/TextDrawing.hpp"
#include "render/ViewPainter.hpp"
#include "render/painters/SystemLook.hpp"

namespace render {

void drawThumb(cairo_t* cr, double cx, double cy, double radius) {
  // The shadow: a radial fade from a little inside the thumb's edge to a few points beyond it,
  // a little below, as the thumb's layer shadow looks at this size.
  const double dy = 2, blur = 3.5;
  cairo_pattern_t* shadow = cairo_pattern_create_radial(cx, cy + dy, radius * 0.75, cx, cy + dy, radius + blur);
  cairo_pattern_add_color_stop_rgba(shadow, 0, 0, 0, 0, 0.14);
  cairo_pattern_add_color_stop_rgba(shadow, (radius * 0.25) / (radius * 0.25 + blur), 0, 0, 0, 0.09);
  cairo_pattern_add_color_stop_rgba(shadow, 1, 0, 0, 0, 0);
  cairo_set_source(cr, shadow);
  cairo_arc(cr, cx, cy + dy, radius + blur, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_pattern_destroy(shadow);
  cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_fill_preserve(cr);
  // A faint edge keeps the white thumb apart from a white page.
  cairo_set_source_rgba(cr, 0, 0, 0, 0.08);
  cairo_set_line_width(cr, 0.5);
  cairo_stroke(cr);
}

namespace {

void drawSwitch(Painter& painter, const UIView& view) {
  const auto& control = static_cast<const UISwitch&>(view);
  cairo_t* cr = painter.cr();
  const CGSize size = view.frame().size;
  if (size.width <= 0 || size.height <= 0) return;
  // The track keeps its natural proportions, centred in whatever frame it was given.
  const double h = std::min(size.height, 31.0), w = std::min(size.width, std::max(h, 51.0 * h / 31));
  const CGRect track{{(size.width - w) / 2, (size.height - h) / 2}, {w, h}};
  const double radius = h / 2;
  cairo_save(cr);
  if (control.isOn()) {
    const UIColorRef on = control.onTintColor() ? control.onTintColor() : systemGreen();
    roundedRectPath(cr, track, radius);
    setSourceColor(cr, *on);
    cairo_fill(cr);
  } else {
    const double line = 1.5;
    const CGRect inset{{track.origin.x + line / 2, track.origin.y + line / 2}, {w - line, h - line}};
    roundedRectPath(cr, inset, radius - line / 2);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    setSourceColor(cr, *switchOffBorder());
    cairo_set_line_width(cr, line);
    cairo_stroke(cr);
  }
  const double thumbRadius = radius - 2;
  const double cx = control.isOn() ? track.maxX() - radius : track.minX() + radius;
  drawThumb(cr, cx, track.midY(), thumbRadius);
  cairo_restore(cr);
}

void drawSlider(Painter& painter, const UIView& view) {
  const auto& slider = static_cast<const UISlider&>(view);
  cairo_t* cr = painter.cr();
  const CGSize size = view.frame().size;
  if (size.width <= 0 || size.height <= 0) return;
  const double thumbRadius = 14;
  const double lo = slider.minimumValue(), hi = slider.maximumValue();
  // Equal (or crossed) bounds leave the thumb at the start, as the system's slider does.
  const double fraction = hi > lo ? std::clamp((slider.value() - lo) / (hi - lo), 0.0, 1.0) : 0.0;
  const double start = thumbRadius, end = std::max(start, size.width - thumbRadius);
  const double cx = start + (end - start) * fraction, cy = size.height / 2;
  const double trackHeight = 2;
  const CGRect track{{2, cy - trackHeight / 2}, {std::max(0.0, size.width - 4), trackHeight}};
  cairo_save(cr);
  // Maximum side first, then the minimum side over it up to the thumb's centre.
  roundedRectPath(cr, track, trackHeight / 2);
  setSourceColor(cr, *sliderMaximumTrack());
  cairo_fill(cr);
  if (cx > track.minX()) {
    roundedRectPath(cr, {{track.minX(), track.minY()}, {cx - track.minX(), trackHeight}}, trackHeight / 2);
    setSourceColor(cr, *Painter::effectiveTintColor(view));
    cairo_fill(cr);
  }
  drawThumb(cr, cx, cy, thumbRadius);
  cairo_restore(cr);
}

void drawSegmentedControl(Painter& painter, const UIView& view) {
  const auto& control = static_cast<const UISegmentedControl&>(view);
  const long count = control.numberOfSegments();
  const CGSize size = view.frame().size;
  if (count <= 0 || size.width <= 0 || size.height <= 0) return;
  cairo_t* cr = painter.cr();
  const UIColorRef tint = control.effectiveTintColor() ? control.effectiveTintColor() : Painter::effectiveTintColor(view);
  const double line = 1, radius = 4;
  const CGRect outline{{line / 2, line / 2}, {size.width - line, size.height - line}};
  const double segment = size.width / count;
  cairo_save(cr);
  const long selected = control.selectedSegmentIndex();
  if (selected >= 0 && selected < count) {
    // The selected segment's fill, cut to the outline so that end segments keep the corners.
    cairo_save(cr);
    roundedRectPath(cr, outline, radius);
    cairo_clip(cr);
    cairo_rectangle(cr, selected * segment, 0, segment, size.height);
    setSourceColor(cr, *tint);
    cairo_fill(cr);
    cairo_restore(cr);
  }
  setSourceColor(cr, *tint);
  cairo_set_line_width(cr, line);
  roundedRectPath(cr, outline, radius);
  cairo_stroke(cr);
  for (long i = 1; i < count; ++i) {
    const double x = std::round(i * segment * painter.scale()) / painter.scale();
    cairo_rectangle(cr, x - line / 2, 0, line, size.height);
    cairo_fill(cr);
  }
  cairo_restore(cr);
  for (long i = 0; i < count; ++i) {
    const UIColorRef color = i == selected ? UIColor::whiteColor() : tint;
    drawText(painter, control.items()[static_cast<size_t>(i)], {"Helvetica", 13, color, NSTextAlignmentCenter, 1},
             {{i * segment + 4, 0}, {segment - 8, size.height}});
  }
}

// The accessory a cell's type asks for, in the room its layout leaves at the right. An
// accessory view, when the cell has one, is a subview and draws itself.
void drawTableCell(Painter& painter, const UIView& view) {
  const auto& cell = static_cast<const UITableViewCell&>(view);
  if (cell.accessoryView()) return;
  const CGSize size = view.frame().size;
  cairo_t* cr = painter.cr();
  const double right = size.width - 15, cy = size.height / 2;
  switch (cell.accessoryType()) {
    case UITableViewCellAccessoryDisclosureIndicator: {
      // The chevron fills an 8 x 13 point box whose right edge is 15 points in.
      const double line = 2;
      cairo_save(cr);
      cairo_set_line_width(cr, line);
      cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
      cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
      cairo_move_to(cr, right - 8 + line / 2, cy - 6.5 + line / 2);
      cairo_line_to(cr, right - line * 0.7, cy);
      cairo_line_to(cr, right - 8 + line / 2, cy + 6.5 - line / 2);
      setSourceColor(cr, *disclosureGrey());
      cairo_stroke(cr);
      cairo_restore(cr);
      break;
    }
    case UITableViewCellAccessoryCheckmark: {
      cairo_save(cr);
      cairo_set_line_width(cr, 2);
      cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
      cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
      cairo_move_to(cr, right - 13, cy + 0.5);
      cairo_line_to(cr, right - 8.5, cy + 5);
      cairo_line_to(cr, right - 0.5, cy - 5.5);
      setSourceColor(cr, *Painter::effectiveTintColor(view));
      cairo_stroke(cr);
      cairo_restore(cr);
      break;
    }
    default:
      break;
  }
}

}  // namespace

void registerSettingsControlPainters() {
  registerViewPainter("UISwitch", {drawSwitch});
  registerViewPainter("UISlider", {drawSlider});
  registerViewPainter("UISegmentedControl", {drawSegmentedControl});
  registerViewPainter("UITableViewCell", {drawTableCell});
}

}  // namespace render
