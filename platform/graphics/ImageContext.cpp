#include "platform/graphics/ImageContext.hpp"

#include <cairo.h>

#include <cmath>
#include <cstring>

namespace {

// A Cairo surface over pixels that the caller keeps alive.
struct Surface {
  cairo_surface_t* surface = nullptr;
  Surface(const uint32_t* pixels, int width, int height) {
    surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(pixels)),
                                                  CAIRO_FORMAT_ARGB32, width, height, width * 4);
  }
  Surface(uint32_t* pixels, int width, int height, cairo_format_t format) {
    surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels), format, width, height, width * 4);
  }
  ~Surface() { cairo_surface_destroy(surface); }
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
};

// Draws the image stretched over `rect` (top-left origin) with bilinear filtering; the edge
// pixels are extended rather than faded, so a stretched image covers the rectangle fully.
void drawStretched(uint32_t* target, int width, int height, cairo_format_t format, const CGImage& image, CGRect rect) {
  if (!(rect.size.width > 0) || !(rect.size.height > 0) || image.width() <= 0 || image.height() <= 0) return;
  Surface dst(target, width, height, format);
  Surface src(image.pixels().data(), image.width(), image.height());
  cairo_t* cr = cairo_create(dst.surface);
  cairo_translate(cr, rect.origin.x, rect.origin.y);
  cairo_scale(cr, rect.size.width / image.width(), rect.size.height / image.height());
  cairo_set_source_surface(cr, src.surface, 0, 0);
  cairo_pattern_t* pattern = cairo_get_source(cr);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_BILINEAR);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  cairo_rectangle(cr, 0, 0, image.width(), image.height());
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(dst.surface);
}

int pixelsFor(double points) {
  if (!(points > 0) || points > CGImage::kMaxSide) return 0;
  return std::max(1, static_cast<int>(std::ceil(points)));
}

}  // namespace

CGImageContext::CGImageContext(CGSize size) {
  int w = pixelsFor(size.width), h = pixelsFor(size.height);
  if (CGImage::sizeAllowed(w, h)) {
    width_ = w;
    height_ = h;
    pixels_.assign(static_cast<size_t>(w) * h, 0);
  }
}

void CGImageContext::drawImage(const CGImage& image, CGRect rect) {
  if (!empty()) drawStretched(pixels_.data(), width_, height_, CAIRO_FORMAT_ARGB32, image, rect);
}

CGImageRef CGImageContext::makeImage() const {
  if (empty()) return nullptr;
  return std::make_shared<const CGImage>(width_, height_, pixels_);
}

CGBitmapContext::CGBitmapContext(size_t width, size_t height) : width_(width), height_(height), data_(4 * width * height, 0) {
  // Black, with the skipped byte 0 too.
}

void CGBitmapContext::drawImage(CGRect rect, const CGImage& image) {
  const int w = static_cast<int>(width_), h = static_cast<int>(height_);
  const size_t n = width_ * height_;
  uint8_t* out = data_.data();
  if (rect == CGRectMake(0, 0, w, h) && image.width() == w && image.height() == h) {
    // One image pixel per bitmap pixel: the premultiplied colour over what is there.
    const uint32_t* in = image.pixels().data();
    for (size_t i = 0; i < n; ++i) {
      uint32_t p = in[i];
      uint32_t a = p >> 24;
      uint8_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      uint8_t* px = out + 4 * i;
      if (a != 255 && (px[0] | px[1] | px[2])) {
        // Source over destination, rounded as Cairo rounds: s + d x (255 - a) / 255.
        auto over = [a](uint32_t s, uint32_t d) {
          uint32_t t = d * (255 - a) + 0x80;
          uint32_t v = s + (((t >> 8) + t) >> 8);
          return static_cast<uint8_t>(v > 255 ? 255 : v);
        };
        r = over(r, px[0]), g = over(g, px[1]), b = over(b, px[2]);
      }
      px[0] = r, px[1] = g, px[2] = b;
    }
    return;
  }
  // Any other rectangle: draw with Cairo on an xRGB copy of the bitmap, then copy back.
  std::vector<uint32_t> xrgb(n);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* px = out + 4 * i;
    xrgb[i] = 0xFF000000u | (uint32_t(px[0]) << 16) | (uint32_t(px[1]) << 8) | px[2];
  }
  CGRect flipped = rect;
  flipped.origin.y = h - (rect.origin.y + rect.size.height);
  drawStretched(xrgb.data(), w, h, CAIRO_FORMAT_RGB24, image, flipped);
  for (size_t i = 0; i < n; ++i) {
    uint8_t* px = out + 4 * i;
    px[0] = (xrgb[i] >> 16) & 0xFF, px[1] = (xrgb[i] >> 8) & 0xFF, px[2] = xrgb[i] & 0xFF;
  }
}

CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent, size_t bytesPerRow,
                                   uint32_t bitmapInfo) {
  if (data || bitsPerComponent != 8 || bitmapInfo != kCGImageAlphaNoneSkipLast || bytesPerRow != 4 * width) return nullptr;
  if (width > static_cast<size_t>(CGImage::kMaxSide) || height > static_cast<size_t>(CGImage::kMaxSide) ||
      !CGImage::sizeAllowed(static_cast<int64_t>(width), static_cast<int64_t>(height)))
    return nullptr;
  return std::make_shared<CGBitmapContext>(width, height);
}

void CGContextDrawImage(const CGContextRef& context, CGRect rect, const CGImage& image) {
  if (context) context->drawImage(rect, image);
}

uint8_t* CGBitmapContextGetData(const CGContextRef& context) { return context ? context->data() : nullptr; }
