#include "tests/render/RenderTestSupport.hpp"

#include <cairo.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace rendertest {

RGBA channels(uint32_t p) {
  const int a = p >> 24;
  auto un = [a](int c) { return a == 0 ? 0 : std::min(255, (c * 255 + a / 2) / a); };
  return {un((p >> 16) & 0xff), un((p >> 8) & 0xff), un(p & 0xff), a};
}

double brightness(uint32_t p) { return (((p >> 16) & 0xff) + ((p >> 8) & 0xff) + (p & 0xff)) / 3.0; }

Box inkBox(const render::Image& image, uint32_t background, int threshold) {
  Box box{image.width(), image.height(), -1, -1};
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const uint32_t p = image.pixel(x, y);
      bool differs = false;
      for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((p >> shift) & 0xff) - int((background >> shift) & 0xff)) > threshold) differs = true;
      if (!differs) continue;
      box.x0 = std::min(box.x0, x);
      box.y0 = std::min(box.y0, y);
      box.x1 = std::max(box.x1, x);
      box.y1 = std::max(box.y1, y);
    }
  if (box.x1 < 0) return {};
  return box;
}

std::string compareWithReference(const render::Image& image, const std::string& name, int tolerance, double allowedShare) {
  namespace fs = std::filesystem;
  const fs::path outDir = VELLOWAY_RENDER_OUTPUT;
  const fs::path refDir = VELLOWAY_RENDER_REFERENCES;
  fs::create_directories(outDir);
  const fs::path out = outDir / (name + ".png");
  const fs::path ref = refDir / (name + ".png");
  const fs::path diff = outDir / (name + ".diff.png");
  image.writePng(out.string());
  fs::remove(diff);
  if (const char* update = std::getenv("VELLOWAY_UPDATE_REFERENCES"); update && std::string(update) == "1") {
    fs::create_directories(refDir);
    image.writePng(ref.string());
    return {};
  }
  render::Image expected = render::Image::readPng(ref.string());
  if (expected.empty()) return "no reference picture " + ref.string() + " (run with VELLOWAY_UPDATE_REFERENCES=1 to make it)";
  if (expected.width() != image.width() || expected.height() != image.height())
    return "size " + std::to_string(image.width()) + "x" + std::to_string(image.height()) + " differs from the reference's " +
           std::to_string(expected.width()) + "x" + std::to_string(expected.height());
  const int w = image.width(), h = image.height();
  cairo_surface_t* d = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  unsigned char* data = cairo_image_surface_get_data(d);
  const int stride = cairo_image_surface_get_stride(d);
  long differing = 0;
  int worst = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t a = image.pixel(x, y), b = expected.pixel(x, y);
      int delta = 0;
      for (int shift = 0; shift < 32; shift += 8)
        delta = std::max(delta, std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)));
      worst = std::max(worst, delta);
      uint32_t& px = reinterpret_cast<uint32_t*>(data + size_t(y) * stride)[x];
      if (delta > tolerance) {
        ++differing;
        px = 0xffff0000u;
      } else {
        const uint32_t g = static_cast<uint32_t>(brightness(a) / 3 + 170);
        px = 0xff000000u | (g << 16) | (g << 8) | g;
      }
    }
  cairo_surface_mark_dirty(d);
  std::string failure;
  if (differing > allowedShare * double(w) * h) {
    cairo_surface_write_to_png(d, diff.c_str());
    failure = std::to_string(differing) + " of " + std::to_string(long(w) * h) + " pixels differ from " + ref.string() +
              " by more than " + std::to_string(tolerance) + " (largest difference " + std::to_string(worst) + "); see " +
              diff.string();
  }
  cairo_surface_destroy(d);
  return failure;
}

}  // namespace rendertest
