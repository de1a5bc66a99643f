// UIKit stand-in: decoded images.
// Implements: images decoded from PNG or JPEG bytes (imageWithData:, initWithContentsOfFile:),
// images made from pixels (the graphics contexts produce them), size in points, scale, the
// bitmap underneath (CGImage, platform/graphics) and a digest of its pixels. An image over
// CGImage's limits (8192 pixels on a side, 64 megapixels), or bytes that are not a whole PNG or
// JPEG, decode to no image.
// Leaves out: animated images, orientation metadata, resizable caps, other formats.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/foundation/ReflectiveObject.hpp"
#include "platform/graphics/CGImage.hpp"
#include "platform/graphics/Geometry.hpp"

class UIImage;
using UIImageRef = std::shared_ptr<UIImage>;

class UIImage : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  // Pixels in CGImage's layout (premultiplied ARGB32, rows of exactly width pixels).
  UIImage(int pixelWidth, int pixelHeight, std::vector<uint32_t> pixels, double scale = 1.0);
  // Wraps a bitmap; a null one is taken as an empty 0 x 0 bitmap.
  explicit UIImage(CGImageRef bitmap, double scale = 1.0);

  static constexpr int kMaxSide = ::CGImage::kMaxSide;
  static constexpr int64_t kMaxPixels = ::CGImage::kMaxPixels;

  // Decoded images may be reduced to (at least) this many pixels a side.
  static constexpr int kDecodeSide = 2048;
  // The image of these bytes: the one prepared for them ahead of need (PreparedImages.hpp),
  // else decoded now.
  static UIImageRef imageWithData(std::span<const uint8_t> bytes);
  // Decodes now, as imageWithData does when nothing was prepared.
  static UIImageRef decodedImage(std::span<const uint8_t> bytes);
  // Reads a file of the simulated device (a device path such as "/Library/...").
  static UIImageRef imageWithContentsOfFile(const std::string& devicePath);

  int pixelWidth() const { return bitmap_->width(); }
  int pixelHeight() const { return bitmap_->height(); }
  double scale() const { return scale_; }
  CGSize size() const { return {pixelWidth() / scale_, pixelHeight() / scale_}; }
  const std::vector<uint32_t>& pixels() const { return bitmap_->pixels(); }
  // The bitmap underneath (the CGImage property), never null.
  const CGImageRef& CGImage() const { return bitmap_; }

  // A digest of the pixels (size included): equal for equal images.
  std::string digest() const { return bitmap_->digest(); }

 private:
  CGImageRef bitmap_;
  double scale_;
};
