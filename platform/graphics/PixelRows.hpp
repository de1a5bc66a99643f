// Rows of premultiplied ARGB32 pixels on their way into an image (see CGImage for the layout):
// premultiplying a straight-alpha pixel, and reducing an image by a power of two while its rows
// arrive, as the decoders and the import of raw pixels do.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/graphics/ImageDecoder.hpp"

namespace pixel_rows {

inline uint32_t premultiplied(uint32_t p) {
  uint32_t a = p >> 24;
  if (a == 255) return p;
  auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
  return (a << 24) | (mul((p >> 16) & 0xFF) << 16) | (mul((p >> 8) & 0xFF) << 8) | mul(p & 0xFF);
}

// The power of two by which an image can shrink with both sides staying at least minSide.
inline int reductionFor(int64_t width, int64_t height, int minSide) {
  int factor = 1;
  if (minSide <= 0) return 1;
  while (factor < 64 && width / (2 * factor) >= minSide && height / (2 * factor) >= minSide) factor *= 2;
  return factor;
}

// Receives an image's rows of premultiplied ARGB32 pixels from top to bottom and keeps each
// block of factor x factor pixels as their average (blocks cut off at the right and bottom
// edges average the pixels they have).
class Reducer {
 public:
  Reducer(int width, int height, int factor, DecodedImage& out) : width_(width), height_(height), factor_(factor), out_(out) {
    out_.width = (width + factor - 1) / factor;
    out_.height = (height + factor - 1) / factor;
    out_.pixels.assign(static_cast<size_t>(out_.width) * out_.height, 0);
    if (factor > 1) sums_.assign(static_cast<size_t>(out_.width) * 4, 0);
  }

  void addRow(const uint32_t* row) {
    if (y_ >= height_) return;
    if (factor_ == 1) {
      std::copy(row, row + width_, out_.pixels.begin() + static_cast<size_t>(y_++) * width_);
      return;
    }
    for (int x = 0; x < width_; ++x) {
      const uint32_t p = row[x];
      uint32_t* s = &sums_[static_cast<size_t>(x / factor_) * 4];
      s[0] += p >> 24, s[1] += (p >> 16) & 0xFF, s[2] += (p >> 8) & 0xFF, s[3] += p & 0xFF;
    }
    ++y_;
    if (y_ % factor_ == 0 || y_ == height_) flush();
  }

 private:
  void flush() {
    const int rows = (y_ - 1) % factor_ + 1;
    uint32_t* target = out_.pixels.data() + static_cast<size_t>((y_ - 1) / factor_) * out_.width;
    for (int ox = 0; ox < out_.width; ++ox) {
      const uint32_t n = static_cast<uint32_t>(rows * std::min(factor_, width_ - ox * factor_));
      uint32_t* s = &sums_[static_cast<size_t>(ox) * 4];
      auto avg = [n](uint32_t sum) { return (sum + n / 2) / n; };
      target[ox] = avg(s[0]) << 24 | avg(s[1]) << 16 | avg(s[2]) << 8 | avg(s[3]);
      s[0] = s[1] = s[2] = s[3] = 0;
    }
  }

  int width_, height_, factor_;
  int y_ = 0;
  DecodedImage& out_;
  std::vector<uint32_t> sums_;
};

}  // namespace pixel_rows
