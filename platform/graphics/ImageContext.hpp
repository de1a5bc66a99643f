// Core Graphics stand-in: image contexts and bitmap contexts, drawn with Cairo.
// Implements:
// - the image context (CGImageContext) behind UIKit's UIGraphicsBeginImageContext: an ARGB32
//   surface with an alpha channel, one pixel per point; a fractional size is rounded up, to at
//   least one pixel; images are stretched to fill a rectangle with bilinear filtering; its
//   pixels are taken as a new image.
// - the bitmap context for 8-bit RGB without alpha (CGBitmapContextCreate with
//   kCGImageAlphaNoneSkipLast): bytes red, green, blue, skipped, rows of exactly 4 x width
//   bytes, starting black; CGContextDrawImage composites an image over it; the pixel memory is
//   readable with CGBitmapContextGetData.
// Leaves out: scale factors other than 1, paths, text, clipping, transforms, other pixel
// formats and colour spaces, caller-supplied memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/CGImage.hpp"
#include "platform/graphics/Geometry.hpp"

// A fully transparent image of the given size in points. A size that is not positive (or too
// large for an image, see CGImage::kMaxSide) makes an empty context: drawing into it does
// nothing and it yields no image.
class CGImageContext {
 public:
  explicit CGImageContext(CGSize size);
  bool empty() const { return width_ == 0; }
  // Draws the image stretched to fill `rect` (in points, origin top left).
  void drawImage(const CGImage& image, CGRect rect);
  // The pixels as a new image; null for an empty context.
  CGImageRef makeImage() const;

 private:
  int width_ = 0, height_ = 0;  // 0 x 0 for an empty context
  std::vector<uint32_t> pixels_;
};

// Core Graphics bitmap info for 8-bit RGB with the fourth byte skipped.
constexpr uint32_t kCGImageAlphaNoneSkipLast = 5;

class CGBitmapContext {
 public:
  CGBitmapContext(size_t width, size_t height);
  size_t width() const { return width_; }
  size_t height() const { return height_; }
  size_t bytesPerRow() const { return 4 * width_; }
  uint8_t* data() { return data_.data(); }
  const uint8_t* data() const { return data_.data(); }

  // Composites the image (premultiplied) over the bitmap, stretched to fill `rect`. Core
  // Graphics' rectangle has its origin at the bottom left; the bitmap's first row is the top.
  void drawImage(CGRect rect, const CGImage& image);

 private:
  size_t width_, height_;
  std::vector<uint8_t> data_;
};
using CGContextRef = std::shared_ptr<CGBitmapContext>;

// A bitmap context of 8 bits per component, bytesPerRow 4 x width and bitmap info
// kCGImageAlphaNoneSkipLast, with memory of its own (data must be null). Null for any other
// layout, a zero or too large size, or caller-supplied memory.
CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent, size_t bytesPerRow,
                                   uint32_t bitmapInfo);
void CGContextDrawImage(const CGContextRef& context, CGRect rect, const CGImage& image);
uint8_t* CGBitmapContextGetData(const CGContextRef& context);
