// UIKit stand-in: decoded images.
// Implements: images decoded from PNG or JPEG bytes (imageWithData:, initWithContentsOfFile:),
// images made from pixels (the graphics contexts produce them), size in points, scale, and a
// digest of the decoded pixels. An image over 8192 pixels on a side or 64 megapixels, or bytes
// that are not a whole PNG or JPEG, decode to no image.
// Leaves out: animated images, orientation metadata, resizable caps, other formats.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/foundation/NSObject.hpp"
#include "platform/graphics/Geometry.hpp"

class UIImage;
using UIImageRef = std::shared_ptr<UIImage>;

class UIImage : public NSObject {
  VW_DECLARE_CLASS()
 public:
  // Pixels in the 32-bit ARGB layout, native byte order, alpha premultiplied, rows packed at
  // exactly width pixels (the layout of a Cairo ARGB32 image surface with stride 4 x width).
  UIImage(int pixelWidth, int pixelHeight, std::vector<uint32_t> pixels, double scale = 1.0);

  static constexpr int kMaxSide = 8192;
  static constexpr int64_t kMaxPixels = 64LL * 1024 * 1024;

  // Decoded images may be reduced to (at least) this many pixels a side.
  static constexpr int kDecodeSide = 2048;
  static UIImageRef imageWithData(std::span<const uint8_t> bytes);
  // Reads a file of the simulated device (a device path such as "/Library/...").
  static UIImageRef imageWithContentsOfFile(const std::string& devicePath);

  int pixelWidth() const { return width_; }
  int pixelHeight() const { return height_; }
  double scale() const { return scale_; }
  CGSize size() const { return {width_ / scale_, height_ / scale_}; }
  const std::vector<uint32_t>& pixels() const { return pixels_; }

  // A digest of the pixels (size included): equal for equal images.
  std::string digest() const;

 private:
  int width_, height_;
  double scale_;
  std::vector<uint32_t> pixels_;
};
