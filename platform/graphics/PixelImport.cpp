#include "platform/graphics/PixelImport.hpp"

#include <vector>

#include "platform/graphics/PixelRows.hpp"

namespace {

// One row of 8-bit RGB or straight RGBA as premultiplied ARGB32.
void importRow(const uint8_t* p, int64_t width, RawPixelFormat format, uint32_t* out) {
  if (format == RawPixelFormat::RGB) {
    for (int64_t x = 0; x < width; ++x, p += 3) out[x] = 0xFF000000u | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
    return;
  }
  for (int64_t x = 0; x < width; ++x, p += 4)
    out[x] = pixel_rows::premultiplied(uint32_t{p[3]} << 24 | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2]);
}

}  // namespace

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
  if (stride < static_cast<size_t>(width) * static_cast<size_t>(format)) return refuse("rows shorter than the width");
  const int factor = pixel_rows::reductionFor(width, height, minSide);
  DecodedImage out;
  if (factor == 1) {
    // Nothing to reduce: each row straight into the image.
    out.width = static_cast<int>(width), out.height = static_cast<int>(height);
    out.pixels.resize(static_cast<size_t>(width * height));
    for (int64_t y = 0; y < height; ++y) importRow(data + static_cast<size_t>(y) * stride, width, format, &out.pixels[y * width]);
    return out;
  }
  pixel_rows::Reducer reducer(static_cast<int>(width), static_cast<int>(height), factor, out);
  std::vector<uint32_t> row(static_cast<size_t>(width));
  for (int64_t y = 0; y < height; ++y) {
    importRow(data + static_cast<size_t>(y) * stride, width, format, row.data());
    reducer.addRow(row.data());
  }
  return out;
}
