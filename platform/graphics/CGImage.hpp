// Core Graphics stand-in: bitmap images as values.
// Implements: an image of pixels in the 32-bit ARGB layout, native byte order, alpha
// premultiplied, rows packed at exactly width pixels (the layout of a Cairo ARGB32 image
// surface with stride 4 x width); its size in pixels; the size limits that every image of the
// platform keeps to; a digest of the pixels. UIKit's images (UIImage) and the graphics
// contexts are built on it.
// Leaves out: other pixel formats and colour spaces, data providers, decode arrays.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CGImage {
 public:
  // No image is larger than this on a side, or than this in pixels.
  static constexpr int kMaxSide = 8192;
  static constexpr int64_t kMaxPixels = 64LL * 1024 * 1024;
  // Whether an image of that size is allowed (both sides positive and within the limits).
  static bool sizeAllowed(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
  }

  CGImage(int width, int height, std::vector<uint32_t> pixels) : width_(width), height_(height), pixels_(std::move(pixels)) {}

  int width() const { return width_; }
  int height() const { return height_; }
  const std::vector<uint32_t>& pixels() const { return pixels_; }

  // A digest of the pixels (size included): equal for equal images.
  std::string digest() const;

 private:
  int width_, height_;
  std::vector<uint32_t> pixels_;
};
using CGImageRef = std::shared_ptr<const CGImage>;
