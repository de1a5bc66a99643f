// Decoding of PNG and JPEG bytes into ARGB32 pixels (see UIImage for the layout).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // premultiplied ARGB32, native byte order
};

struct DecodeLimits {
  int maxSide = 8192;
  int64_t maxPixels = 64LL * 1024 * 1024;
};

// Nothing when the bytes are not a whole PNG or JPEG, or when the image exceeds the limits.
// minSide > 0 lets a JPEG decode at a reduced scale (1/2, 1/4, 1/8) as long as both sides
// stay at least minSide pixels: for callers that scale the result down anyway.
std::optional<DecodedImage> decodeImage(std::span<const uint8_t> bytes, const DecodeLimits& limits = {}, int minSide = 0);

bool looksLikePng(std::span<const uint8_t> bytes);
bool looksLikeJpeg(std::span<const uint8_t> bytes);
