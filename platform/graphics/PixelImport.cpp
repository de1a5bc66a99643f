#include "platform/graphics/PixelImport.hpp"

#include <vector>

#include "platform/graphics/PixelRows.hpp"

std::optional<DecodedImage> importPixels(const uint8_t* data, int64_t width, int64_t height, size_t stride, RawPixelFormat format,
                                         const DecodeLimits& limits, int minSide, std::string* why) {
  auto refuse = [why](std::string reason) -> std::optional<DecodedImage> {
    if (why) *why = std::move(reason);
    return std::nullopt;
  };
  if (!data) return refuse("no pixels");
  if (width <= 0 || height <= 0 || width > limits.maxSide || height > limits.maxSide || width * height > limits.maxPixels)
    return refuse("over " + std::to_string(limits.maxSide) + " pixels a side or " +
                  std::to_string(limits.maxPixels / (1024 * 1024)) + " megapixels, or empty");
  const size_t channels = static_cast<size_t>(format);
  if (stride < static_cast<size_t>(width) * channels) return refuse("rows shorter than the width");
  DecodedImage out;
  pixel_rows::Reducer reducer(static_cast<int>(width), static_cast<int>(height), pixel_rows::reductionFor(width, height, minSide),
                              out);
  std::vector<uint32_t> row(static_cast<size_t>(width));
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* p = data + static_cast<size_t>(y) * stride;
    for (int64_t x = 0; x < width; ++x, p += channels) {
      const uint32_t alpha = format == RawPixelFormat::RGBA ? p[3] : 0xFF;
      row[static_cast<size_t>(x)] = pixel_rows::premultiplied(alpha << 24 | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2]);
    }
    reducer.addRow(row.data());
  }
  return out;
}
