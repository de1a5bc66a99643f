#include "render/BlurEffect.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/uikit/UIVisualEffectView.hpp"

namespace render {

std::array<int, 3> gaussianBoxWidths(double sigma) {
  // n boxes of widths wl (m of them) and wl + 2 (the rest): variance sum (w^2 - 1) / 12.
  constexpr int n = 3;
  double ideal = std::sqrt(12 * sigma * sigma / n + 1);
  int wl = static_cast<int>(std::floor(ideal));
  if (wl % 2 == 0) --wl;
  wl = std::max(wl, 1);
  int wu = wl + 2;
  double mIdeal = (12 * sigma * sigma - n * wl * wl - 4 * n * wl - 3 * n) / (-4.0 * wl - 4);
  int m = std::clamp(static_cast<int>(std::lround(mIdeal)), 0, n);
  std::array<int, 3> widths{};
  for (int i = 0; i < n; ++i) widths[i] = i < m ? wl : wu;
  return widths;
}

namespace {

// One box pass along rows of `channels` interleaved 8-bit channels: out[i] = mean of
// in[i - r .. i + r], edges repeated.
template <int Channels>
void boxRows(const uint8_t* in, uint8_t* out, int width, int height, size_t stride, int radius) {
  if (radius <= 0) {
    for (int y = 0; y < height; ++y) std::memcpy(out + y * stride, in + y * stride, size_t(width) * Channels);
    return;
  }
  const int window = 2 * radius + 1;
  // Fixed-point reciprocal of the window, rounding to nearest.
  const uint32_t inv = static_cast<uint32_t>((1u << 24) / window);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = in + y * stride;
    uint8_t* dst = out + y * stride;
    uint32_t sum[Channels];
    for (int c = 0; c < Channels; ++c) {
      sum[c] = row[c] * uint32_t(radius + 1);
      for (int i = 1; i <= radius; ++i) sum[c] += row[std::min(i, width - 1) * Channels + c];
    }
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < Channels; ++c) dst[x * Channels + c] = static_cast<uint8_t>((sum[c] * inv + (1u << 23)) >> 24);
      const int add = std::min(x + radius + 1, width - 1);
      const int sub = std::max(x - radius, 0);
      for (int c = 0; c < Channels; ++c) sum[c] += row[add * Channels + c] - row[sub * Channels + c];
    }
  }
}

template <int Channels>
void transpose(const uint8_t* in, size_t inStride, uint8_t* out, size_t outStride, int width, int height) {
  constexpr int block = 32;
  for (int by = 0; by < height; by += block)
    for (int bx = 0; bx < width; bx += block)
      for (int y = by; y < std::min(by + block, height); ++y)
        for (int x = bx; x < std::min(bx + block, width); ++x)
          std::memcpy(out + x * outStride + y * Channels, in + y * inStride + x * Channels, Channels);
}

template <int Channels>
void blurPlanes(uint8_t* data, int width, int height, size_t stride, const std::array<int, 3>& widths) {
  // Rows: data -> a -> data ...; then the transposed image for the columns.
  std::vector<uint8_t> a(size_t(height) * stride);
  uint8_t* src = data;
  uint8_t* dst = a.data();
  for (int w : widths) {
    boxRows<Channels>(src, dst, width, height, stride, w / 2);
    std::swap(src, dst);
  }
  // src holds the row-blurred image (in `a` after an odd number of passes).
  const size_t tStride = size_t(height) * Channels;
  std::vector<uint8_t> t1(size_t(width) * tStride), t2(t1.size());
  transpose<Channels>(src, stride, t1.data(), tStride, width, height);
  uint8_t* ts = t1.data();
  uint8_t* td = t2.data();
  for (int w : widths) {
    boxRows<Channels>(ts, td, height, width, tStride, w / 2);
    std::swap(ts, td);
  }
  transpose<Channels>(ts, tStride, data, stride, height, width);
}

}  // namespace

namespace {

// The mean of each factor x factor block (blocks at the right and bottom edges cut short).
template <int Channels>
void downsample(const uint8_t* in, size_t inStride, int width, int height, int factor, uint8_t* out, size_t outStride) {
  const int ow = (width + factor - 1) / factor, oh = (height + factor - 1) / factor;
  std::vector<uint32_t> sums(size_t(ow) * Channels);
  for (int oy = 0; oy < oh; ++oy) {
    std::fill(sums.begin(), sums.end(), 0);
    const int y0 = oy * factor, y1 = std::min(y0 + factor, height);
    for (int y = y0; y < y1; ++y) {
      const uint8_t* row = in + size_t(y) * inStride;
      for (int x = 0; x < width; ++x)
        for (int c = 0; c < Channels; ++c) sums[size_t(x / factor) * Channels + c] += row[x * Channels + c];
    }
    uint8_t* dst = out + size_t(oy) * outStride;
    for (int ox = 0; ox < ow; ++ox) {
      const int n = (std::min((ox + 1) * factor, width) - ox * factor) * (y1 - y0);
      for (int c = 0; c < Channels; ++c)
        dst[ox * Channels + c] = static_cast<uint8_t>((sums[size_t(ox) * Channels + c] + n / 2) / n);
    }
  }
}

void blurInPlace(cairo_surface_t* surface, double sigma) {
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  const size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface));
  uint8_t* data = cairo_image_surface_get_data(surface);
  const auto widths = gaussianBoxWidths(sigma);
  if (cairo_image_surface_get_format(surface) == CAIRO_FORMAT_A8)
    blurPlanes<1>(data, width, height, stride, widths);
  else
    blurPlanes<4>(data, width, height, stride, widths);
  cairo_surface_mark_dirty(surface);
}

}  // namespace

void gaussianBlur(cairo_surface_t* surface, double sigma) {
  if (!surface || sigma < 0.5 || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return;
  const cairo_format_t format = cairo_image_surface_get_format(surface);
  if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24 && format != CAIRO_FORMAT_A8) return;
  cairo_surface_flush(surface);
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  if (!cairo_image_surface_get_data(surface) || width <= 0 || height <= 0) return;
  // A wide blur keeps no detail finer than a few pixels of a reduced copy: blur the copy, at
  // least 3 of its pixels per sigma, and scale it back up bilinearly. The reduction (a box of
  // the factor) and the bilinear enlargement add about factor^2 / 4 of variance, taken off
  // the copy's blur so that the result keeps the asked sigma.
  int factor = 1;
  while (factor < 8 && sigma / (factor * 2) >= 3) factor *= 2;
  if (factor == 1) {
    blurInPlace(surface, sigma);
    return;
  }
  const int sw = (width + factor - 1) / factor, sh = (height + factor - 1) / factor;
  cairo_surface_t* small = cairo_image_surface_create(format, sw, sh);
  cairo_surface_flush(small);
  const size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface));
  const size_t smallStride = static_cast<size_t>(cairo_image_surface_get_stride(small));
  if (format == CAIRO_FORMAT_A8)
    downsample<1>(cairo_image_surface_get_data(surface), stride, width, height, factor, cairo_image_surface_get_data(small),
                  smallStride);
  else
    downsample<4>(cairo_image_surface_get_data(surface), stride, width, height, factor, cairo_image_surface_get_data(small),
                  smallStride);
  cairo_surface_mark_dirty(small);
  blurInPlace(small, std::sqrt(std::max(sigma * sigma - factor * factor / 4.0, 0.25)) / factor);
  cairo_t* cr = cairo_create(surface);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_scale(cr, factor, factor);
  cairo_set_source_surface(cr, small, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(small);
  cairo_surface_flush(surface);
}

BlurStyle blurStyle(long style) {
  switch (style) {
    case UIBlurEffectStyleExtraLight:
      return {10, 1.6, 0.97, 0.78};
    case UIBlurEffectStyleLight:
      return {10, 1.6, 1.0, 0.30};
    case UIBlurEffectStyleDark:
    default:
      return {14, 1.5, 0.11, 0.62};
  }
}

void saturate(cairo_surface_t* surface, double factor) {
  if (!surface || factor == 1.0 || cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32) return;
  cairo_surface_flush(surface);
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  uint8_t* data = cairo_image_surface_get_data(surface);
  const int f = static_cast<int>(std::lround(factor * 256));
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + size_t(y) * stride);
    for (int x = 0; x < width; ++x) {
      const uint32_t p = row[x];
      const int a = p >> 24;
      if (a == 0) continue;
      int r = (p >> 16) & 0xff, g = (p >> 8) & 0xff, b = p & 0xff;
      // Premultiplied channels stay premultiplied: luminance and channels scale alike.
      const int lum = (r * 54 + g * 183 + b * 19) >> 8;
      auto mix = [&](int c) { return std::clamp(lum + (((c - lum) * f) >> 8), 0, a); };
      row[x] = (uint32_t(a) << 24) | (uint32_t(mix(r)) << 16) | (uint32_t(mix(g)) << 8) | uint32_t(mix(b));
    }
  }
  cairo_surface_mark_dirty(surface);
}

}  // namespace render
