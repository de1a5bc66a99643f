#include "tests/support/Artwork.hpp"

#include <cmath>
#include <vector>

namespace test_support {

UIImageRef imageFromSurface(cairo_surface_t* s) {
  cairo_surface_flush(s);
  const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  const int stride = cairo_image_surface_get_stride(s);
  std::vector<uint32_t> pixels(size_t(w) * h);
  const unsigned char* data = cairo_image_surface_get_data(s);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels[size_t(y) * w + x] = reinterpret_cast<const uint32_t*>(data + size_t(y) * stride)[x];
  return std::make_shared<UIImage>(w, h, std::move(pixels));
}

UIImageRef makeArtwork(int side) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side);
  cairo_t* cr = cairo_create(s);
  cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, side, side);
  cairo_pattern_add_color_stop_rgb(g, 0, 0.98, 0.55, 0.18);
  cairo_pattern_add_color_stop_rgb(g, 0.55, 0.85, 0.16, 0.42);
  cairo_pattern_add_color_stop_rgb(g, 1, 0.20, 0.10, 0.45);
  cairo_set_source(cr, g);
  cairo_paint(cr);
  cairo_pattern_destroy(g);
  cairo_set_source_rgb(cr, 1.0, 0.85, 0.35);
  cairo_arc(cr, side * 0.62, side * 0.42, side * 0.22, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_set_source_rgba(cr, 0.08, 0.05, 0.20, 0.85);
  for (int i = 0; i < 6; ++i) {
    const double y = side * (0.66 + i * 0.05);
    cairo_rectangle(cr, 0, y, side, side * 0.022);
  }
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0.1, 0.75, 0.8);
  cairo_rectangle(cr, side * 0.1, side * 0.1, side * 0.18, side * 0.18);
  cairo_fill(cr);
  cairo_destroy(cr);
  UIImageRef image = imageFromSurface(s);
  cairo_surface_destroy(s);
  return image;
}

UIImageRef makeSolidImage(int width, int height, uint32_t argb) {
  return std::make_shared<UIImage>(width, height, std::vector<uint32_t>(size_t(width) * height, argb));
}

}  // namespace test_support
