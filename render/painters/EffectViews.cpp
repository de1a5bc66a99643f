// Painter of visual effect views: the blur of what lies behind them and the vibrancy of what is
// drawn through them.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <vector>

#include "platform/uikit/UIVisualEffectView.hpp"
#include "render/BlurEffect.hpp"
#include "render/Painter.hpp"
#include "render/ViewPainter.hpp"

namespace render {

namespace {

// How strongly vibrant content lightens what lies under it.
constexpr double kVibrancyStrength = 0.62;

// The last few blurs, by the pixels they blurred: a view moving over an unchanged backdrop (the
// shaking cover over the blurred artwork) costs a comparison instead of a new blur. Per thread,
// as the painters are.
struct BlurMemo {
  int width, height, stride;
  double sigma, saturation;
  std::vector<unsigned char> before, after;
};
constexpr size_t kBlurMemos = 4;
thread_local std::deque<BlurMemo> blurMemos;

void blurBackdrop(cairo_surface_t* surface, double sigma, double saturation) {
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const size_t bytes = size_t(stride) * h;
  for (auto it = blurMemos.begin(); it != blurMemos.end(); ++it)
    if (it->width == w && it->height == h && it->stride == stride && it->sigma == sigma && it->saturation == saturation &&
        std::memcmp(it->before.data(), data, bytes) == 0) {
      std::memcpy(data, it->after.data(), bytes);
      cairo_surface_mark_dirty(surface);
      std::rotate(blurMemos.begin(), it, std::next(it));  // the most recent first
      return;
    }
  BlurMemo memo{w, h, stride, sigma, saturation, std::vector<unsigned char>(data, data + bytes), {}};
  gaussianBlur(surface, sigma);
  saturate(surface, saturation);
  cairo_surface_flush(surface);
  data = cairo_image_surface_get_data(surface);
  memo.after.assign(data, data + bytes);
  blurMemos.push_front(std::move(memo));
  if (blurMemos.size() > kBlurMemos) blurMemos.pop_back();
}

void drawBlur(Painter& painter, const UIView& view, const UIBlurEffect& blur) {
  cairo_t* cr = painter.cr();
  const CGRect local{{0, 0}, view.frame().size};
  const BlurStyle style = blurStyle(blur.style);
  const double sigma = style.sigma * painter.scale();
  cairo_save(cr);
  roundedRectPath(cr, local, view.layer()->cornerRadius);
  cairo_clip(cr);
  // Pixels from around the view feed the blur near its edges, as they do on the phone.
  if (Backdrop backdrop = painter.captureBackdrop(local, static_cast<int>(std::ceil(3 * sigma)))) {
    blurBackdrop(backdrop.surface, sigma, style.saturation);
    painter.paintBackdrop(backdrop);
  }
  cairo_set_source_rgba(cr, style.tintWhite, style.tintWhite, style.tintWhite, style.tintAlpha);
  cairo_paint(cr);
  cairo_restore(cr);
}

// The content is drawn on its own, then laid onto what lies under it with the screen blend:
// white content lightens the blurred backdrop, keeping its colour, instead of covering it.
void drawVibrantSubviews(Painter& painter, const UIView& view) {
  cairo_t* cr = painter.cr();
  cairo_save(cr);
  painter.clipToSubtree(view, 1);
  painter.pushGroup();
  painter.drawSubviews(view);
  cairo_pattern_t* content = painter.popGroup();
  cairo_set_source(cr, content);
  cairo_set_operator(cr, CAIRO_OPERATOR_SCREEN);
  cairo_paint_with_alpha(cr, kVibrancyStrength);
  cairo_restore(cr);
  cairo_pattern_destroy(content);
}

void drawEffectView(Painter& painter, const UIView& view) {
  const auto& effectView = static_cast<const UIVisualEffectView&>(view);
  const auto& effect = effectView.effect();
  if (auto blur = std::dynamic_pointer_cast<UIBlurEffect>(effect)) {
    drawBlur(painter, view, *blur);
    painter.drawSubviews(view);
  } else if (std::dynamic_pointer_cast<UIVibrancyEffect>(effect)) {
    drawVibrantSubviews(painter, view);
  } else {
    painter.drawSubviews(view);
  }
}

}  // namespace

void registerEffectViewPainters() { registerViewPainter("UIVisualEffectView", {drawEffectView, true}); }

}  // namespace render
