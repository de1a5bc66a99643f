// Decoding of PNG and JPEG bytes into ARGB32 pixels (see CGImage for the layout), bounded in
// memory and time whatever the bytes say:
// - the structure is checked before anything is decoded: every PNG chunk and every JPEG
//   segment before the first scan must fit in what is left of the bytes;
// - the image's sides and pixel count are limited (DecodeLimits), and so is the decoder's own
//   working memory (libpng's chunk buffers, libjpeg's pools, a progressive JPEG's coefficients);
// - PNG decompression stops once the image's declared rows are complete: image data beyond
//   them is never inflated;
// - a JPEG of more scans than the limit is refused, and so is one that libjpeg finds corrupt
//   (its corrupt-data warnings, a premature end included, fail the decode);
// - CMYK and YCCK JPEGs are converted to RGB, the inverted CMYK that Adobe applications write
//   included.
// Callers that scale the result down name the smallest side they need: the image is then
// decoded straight to a reduced size where the format allows (JPEG: DCT scaling by M / 8,
// baseline and progressive; PNG: averaging blocks of 2^k x 2^k pixels).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // premultiplied ARGB32, native byte order
};

struct DecodeLimits {
  int maxSide = 8192;
  int64_t maxPixels = 64LL * 1024 * 1024;
  // Scans of a progressive JPEG (real ones have about ten).
  int maxScans = 100;
  // Working memory of the decoder, beyond the decoded pixels.
  int64_t maxMemory = 256LL * 1024 * 1024;
};

// Nothing when the bytes are not a whole, sound PNG or JPEG, or when the image exceeds the
// limits; `why`, when given, then says which. minSide > 0 lets the image decode at a reduced
// size as long as both sides stay at least minSide pixels.
std::optional<DecodedImage> decodeImage(std::span<const uint8_t> bytes, const DecodeLimits& limits = {}, int minSide = 0,
                                        std::string* why = nullptr);

bool looksLikePng(std::span<const uint8_t> bytes);
bool looksLikeJpeg(std::span<const uint8_t> bytes);
