#include "render/Painter.hpp"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

#include "platform/dispatch/Dispatch.hpp"
#include "platform/quartz/CALayer.hpp"
#include "platform/text/Fonts.hpp"
#include "platform/uikit/UIView.hpp"
#include "render/BlurEffect.hpp"
#include "render/ViewPainter.hpp"

namespace render {

Backdrop::~Backdrop() {
  if (surface) cairo_surface_destroy(surface);
}

void setSourceColor(cairo_t* cr, const CGColor& color, double alpha) {
  auto unit = [](double v) { return std::clamp(v, 0.0, 1.0); };
  cairo_set_source_rgba(cr, unit(color.red), unit(color.green), unit(color.blue), unit(color.alpha) * alpha);
}

Painter::Painter(cairo_t* cr, double scale) : cr_(cr), scale_(scale) { registerBuiltInPainters(); }

Painter::~Painter() {
  if (pango_) {
    std::lock_guard lock(fonts::mutex());
    g_object_unref(pango_);
  }
}

PangoContext* Painter::pangoContext() {
  if (!pango_) {
    pango_ = pango_font_map_create_context(fonts::fontMap());
    fonts::prepareContext(pango_);
  }
  pango_cairo_update_context(cr_, pango_);
  return pango_;
}

UIColorRef Painter::effectiveTintColor(const UIView& view) {
  if (view.tintColor()) return view.tintColor();
  for (auto v = view.superview(); v; v = v->superview())
    if (v->tintColor()) return v->tintColor();
  static const UIColorRef systemBlue = UIColor::colorWithRed(0, 122 / 255.0, 1, 1);
  return systemBlue;
}

void Painter::pushGroup() {
  cairo_push_group(cr_);
  groups_.push_back(cairo_get_group_target(cr_));
}

cairo_pattern_t* Painter::popGroup() {
  groups_.pop_back();
  return cairo_pop_group(cr_);
}

namespace {

// The rectangle in device pixels that a user-space rectangle covers (rounded outwards).
void deviceBox(cairo_t* cr, CGRect rect, int* x0, int* y0, int* x1, int* y1) {
  double xs[4] = {rect.minX(), rect.maxX(), rect.minX(), rect.maxX()};
  double ys[4] = {rect.minY(), rect.minY(), rect.maxY(), rect.maxY()};
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  for (int i = 0; i < 4; ++i) {
    cairo_user_to_device(cr, &xs[i], &ys[i]);
    minX = std::min(minX, xs[i]);
    maxX = std::max(maxX, xs[i]);
    minY = std::min(minY, ys[i]);
    maxY = std::max(maxY, ys[i]);
  }
  auto clampInt = [](double v) { return static_cast<int>(std::clamp(v, -1e8, 1e8)); };
  *x0 = clampInt(std::floor(minX));
  *y0 = clampInt(std::floor(minY));
  *x1 = clampInt(std::ceil(maxX));
  *y1 = clampInt(std::ceil(maxY));
}

}  // namespace

bool Painter::subtreeExtent(const UIView& view, CGRect* out, int depth) {
  CGRect r{{0, 0}, view.frame().size};
  double x0 = r.minX(), y0 = r.minY(), x1 = r.maxX(), y1 = r.maxY();
  if (depth > 64) {
    *out = r;
    return false;  // too deep to bother: the caller draws without a bounded group
  }
  if (!view.layer()->masksToBounds) {
    const CGPoint shift{-view.bounds().origin.x, -view.bounds().origin.y};
    for (const auto& sub : view.subviews()) {
      if (sub->isHidden() || sub->alpha() <= 0) continue;
      CGRect s;
      if (!subtreeExtent(*sub, &s, depth + 1)) return false;
      const double ox = sub->frame().origin.x + shift.x, oy = sub->frame().origin.y + shift.y;
      x0 = std::min(x0, s.minX() + ox);
      y0 = std::min(y0, s.minY() + oy);
      x1 = std::max(x1, s.maxX() + ox);
      y1 = std::max(y1, s.maxY() + oy);
    }
  }
  *out = CGRect{{x0, y0}, {x1 - x0, y1 - y0}};
  return true;
}

void Painter::clipToSubtree(const UIView& view, double pad) {
  CGRect extent;
  if (!subtreeExtent(view, &extent)) return;
  cairo_rectangle(cr_, extent.minX() - pad, extent.minY() - pad, extent.size.width + 2 * pad, extent.size.height + 2 * pad);
  cairo_clip(cr_);
}

Backdrop Painter::captureBackdrop(CGRect rect, int margin) {
  Backdrop out;
  cairo_surface_t* base = cairo_get_target(cr_);
  if (cairo_surface_get_type(base) != CAIRO_SURFACE_TYPE_IMAGE) return out;
  int x0, y0, x1, y1;
  deviceBox(cr_, rect, &x0, &y0, &x1, &y1);
  x0 = std::max(x0 - margin, 0);
  y0 = std::max(y0 - margin, 0);
  x1 = std::min(x1 + margin, cairo_image_surface_get_width(base));
  y1 = std::min(y1 + margin, cairo_image_surface_get_height(base));
  if (x1 <= x0 || y1 <= y0) return out;
  out.surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, x1 - x0, y1 - y0);
  out.x = x0;
  out.y = y0;
  cairo_t* c = cairo_create(out.surface);
  cairo_set_operator(c, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(c, base, -x0, -y0);
  cairo_paint(c);
  // What the open groups hold lies on top of the canvas (their device offsets place them).
  cairo_set_operator(c, CAIRO_OPERATOR_OVER);
  for (cairo_surface_t* group : groups_) {
    cairo_surface_flush(group);
    cairo_set_source_surface(c, group, -x0, -y0);
    cairo_paint(c);
  }
  cairo_destroy(c);
  cairo_surface_flush(out.surface);
  return out;
}

void Painter::paintBackdrop(const Backdrop& backdrop) {
  if (!backdrop) return;
  cairo_save(cr_);
  cairo_identity_matrix(cr_);
  cairo_set_source_surface(cr_, backdrop.surface, backdrop.x, backdrop.y);
  cairo_paint(cr_);
  cairo_restore(cr_);
}

double Painter::alphaOf(const UIView& view) const { return presentation_ ? view.presentationAlpha() : view.alpha(); }

void Painter::drawView(const UIView& view) {
  CGPoint origin = view.frame().origin;
  if (presentation_) {
    // A running position animation moves the view's centre from where its frame puts it.
    if (auto moving = view.layer()->animationForKey("position")) {
      const CAValue value = moving->valueAt(sim_clock::now());
      if (const auto* at = std::get_if<CGPoint>(&value)) {
        origin.x = at->x - view.frame().size.width / 2;
        origin.y = at->y - view.frame().size.height / 2;
      }
    }
  }
  drawPlaced(view, origin);
}

void Painter::drawViewAt(const UIView& view, CGPoint origin) { drawPlaced(view, origin); }

void Painter::drawSubviews(const UIView& view) {
  const CGRect bounds = view.bounds();
  cairo_save(cr_);
  cairo_translate(cr_, -bounds.origin.x, -bounds.origin.y);
  for (const auto& sub : view.subviews()) drawView(*sub);
  cairo_restore(cr_);
}

void Painter::drawPlaced(const UIView& view, CGPoint origin) {
  if (view.isHidden() || alphaOf(view) <= 0) return;
  const CALayer& layer = *view.layer();
  const CGRect local{{0, 0}, view.frame().size};
  const bool shadow = layer.shadowOpacity > 0 && !layer.masksToBounds && layer.shadowColor && layer.shadowColor->alpha > 0;
  const bool group = alphaOf(view) < 1 || shadow;

  cairo_save(cr_);
  cairo_translate(cr_, origin.x, origin.y);
  if (group) {
    // Bound the group by what the subtree can cover, so that it costs no more than its area.
    clipToSubtree(
        view, shadow ? 3 * layer.shadowRadius + std::abs(layer.shadowOffset.width) + std::abs(layer.shadowOffset.height) + 2 : 1);
    pushGroup();
  }
  if (layer.masksToBounds) {
    roundedRectPath(cr_, local, layer.cornerRadius);
    cairo_clip(cr_);
  }
  if (const auto& bg = view.backgroundColor(); bg && bg->alpha() > 0) {
    roundedRectPath(cr_, local, layer.cornerRadius);
    setSourceColor(cr_, *bg);
    cairo_fill(cr_);
  }
  const ViewPainter* painter = findViewPainter(view);
  if (painter && painter->draw) painter->draw(*this, view);
  if (!painter || !painter->drawsSubviews) drawSubviews(view);
  if (layer.borderWidth > 0) {
    // The border lies inside the bounds, above the content and the subviews.
    const double w = layer.borderWidth;
    const CGRect inset{{local.origin.x + w / 2, local.origin.y + w / 2}, {local.size.width - w, local.size.height - w}};
    if (inset.size.width > 0 && inset.size.height > 0) {
      roundedRectPath(cr_, inset, std::max(layer.cornerRadius - w / 2, 0.0));
      if (layer.borderColor)
        setSourceColor(cr_, *layer.borderColor);
      else
        cairo_set_source_rgb(cr_, 0, 0, 0);  // the layer's default border colour
      cairo_set_line_width(cr_, w);
      cairo_stroke(cr_);
    }
  }
  if (group) {
    cairo_pattern_t* content = popGroup();
    if (shadow) drawShadow(content, view);
    cairo_set_source(cr_, content);
    cairo_paint_with_alpha(cr_, std::min(alphaOf(view), 1.0));
    cairo_pattern_destroy(content);
  }
  cairo_restore(cr_);
}

void Painter::drawShadow(cairo_pattern_t* content, const UIView& view) {
  const CALayer& layer = *view.layer();
  cairo_surface_t* group = nullptr;
  if (cairo_pattern_get_surface(content, &group) != CAIRO_STATUS_SUCCESS || !group) return;
  const double sigma = layer.shadowRadius * scale_ / 2;  // the layer's radius spans about two deviations
  const int margin = static_cast<int>(std::ceil(3 * sigma)) + 1;
  int x0, y0, x1, y1;
  CGRect extent;
  subtreeExtent(view, &extent);
  deviceBox(cr_, extent, &x0, &y0, &x1, &y1);
  x0 -= margin;
  y0 -= margin;
  x1 += margin;
  y1 += margin;
  if (x1 <= x0 || y1 <= y0) return;
  // The alpha of the content, blurred.
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, x1 - x0, y1 - y0);
  cairo_t* c = cairo_create(mask);
  cairo_set_source_surface(c, group, -x0, -y0);
  cairo_paint(c);
  cairo_destroy(c);
  gaussianBlur(mask, sigma);
  cairo_save(cr_);
  cairo_identity_matrix(cr_);
  setSourceColor(cr_, *layer.shadowColor, std::clamp<double>(layer.shadowOpacity, 0, 1) * std::min(view.alpha(), 1.0));
  cairo_mask_surface(cr_, mask, x0 + layer.shadowOffset.width * scale_, y0 + layer.shadowOffset.height * scale_);
  cairo_restore(cr_);
  cairo_surface_destroy(mask);
}

}  // namespace render
