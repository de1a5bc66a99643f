// Images from raw pixels in memory, as a program that decoded them itself holds them: 8-bit
// red, green, blue (and straight alpha) in that byte order, rows `stride` bytes apart. They become
// the same premultiplied ARGB32 image (see CGImage) that decoding a PNG of those pixels makes,
// with the same limits and the same reduction for callers that scale the result down.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/graphics/ImageDecoder.hpp"

enum class RawPixelFormat { RGB = 3, RGBA = 4 };

// Nothing when the size is not positive or over the limits, or the stride is shorter than a row;
// `why`, when given, then says which. minSide as for decodeImage.
std::optional<DecodedImage> importPixels(const uint8_t* data, int64_t width, int64_t height, size_t stride, RawPixelFormat format,
                                         const DecodeLimits& limits = {}, int minSide = 0, std::string* why = nullptr);
