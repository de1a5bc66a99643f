// Small pictures made pixel by pixel, for tests of image code.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/uikit/UIImage.hpp"

namespace test_images {

// Opaque ARGB32 from bytes.
constexpr uint32_t opaque(uint32_t r, uint32_t g, uint32_t b) { return 0xFF000000u | r << 16 | g << 8 | b; }

inline UIImageRef make(int width, int height, const std::function<uint32_t(int x, int y)>& pixel) {
  std::vector<uint32_t> px(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) px[static_cast<size_t>(y) * width + x] = pixel(x, y);
  return std::make_shared<UIImage>(width, height, std::move(px));
}

inline UIImageRef solid(int width, int height, uint32_t argb) {
  return make(width, height, [argb](int, int) { return argb; });
}

// An image whose leftmost column is given row by row and whose other columns are `fill`.
inline UIImageRef leftColumn(const std::vector<uint32_t>& column, int width, uint32_t fill) {
  return make(width, static_cast<int>(column.size()), [&](int x, int y) { return x == 0 ? column[y] : fill; });
}

inline void append(std::vector<uint32_t>& column, uint32_t argb, int rows) { column.insert(column.end(), rows, argb); }

}  // namespace test_images
