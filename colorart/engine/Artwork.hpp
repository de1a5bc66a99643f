// Artwork for the colour analysis, the way the command, the C library and the Python module all
// take it: a PNG or JPEG file or its bytes, or raw pixels, made into the image that is analysed
// (by default stretched to 512 x 512, as the tweak's colorArt does), then analysed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "colorart/engine/ColorAnalysis.hpp"
#include "platform/graphics/CGImage.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/ImageDecoder.hpp"
#include "platform/graphics/PixelImport.hpp"

namespace colorart {

// Largest image file read (a file over it is refused before it is read).
inline constexpr int64_t kMaxImageFileBytes = 256LL * 1024 * 1024;

struct ArtworkOptions {
  CGSize size{512, 512};  // the image is stretched to this many points, one pixel per point
  bool native = false;    // analyse at the image's own size instead
  int64_t threshold = kDefaultThreshold;
};

// Whether a size can be analysed at: both sides positive, and the pixels it makes (sides rounded
// up) within CGImage's limits.
bool analysisSizeAllowed(CGSize size);

// The image stretched (aspect ratio not kept) to `size` points, one pixel per point, with
// bilinear filtering; null for a size that makes no image.
CGImageRef scaledImage(const CGImage& image, CGSize size);

// What came of one input: the analysis, or why there is none.
struct ArtworkResult {
  bool ok = false;
  std::string error;  // "cannot read: ...", "not a PNG or JPEG image", "cannot decode the PNG image: ..."
  Analysis analysis;
  CGImageRef analysed;  // the image analysed (kept only when asked for)
};

// The bytes of a regular file of at most maxBytes, read with the platform's bounded reader
// (platform/hostfiles), so a FIFO, a device or a /proc file can't hang the read. On failure,
// false, and `error` says why ("cannot read: ...").
bool readImageFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error,
                   int64_t maxBytes = kMaxImageFileBytes);

// The image to analyse from PNG or JPEG bytes (decoded at a reduced size where scaling would
// shrink it anyway), from raw pixels, or from an image already decoded.
ArtworkResult analyseEncoded(std::span<const uint8_t> bytes, const ArtworkOptions& options, bool keepImage = false);
ArtworkResult analyseFile(const std::string& path, const ArtworkOptions& options, bool keepImage = false);
ArtworkResult analyseRaw(const uint8_t* data, int64_t width, int64_t height, size_t stride, RawPixelFormat format,
                         const ArtworkOptions& options, bool keepImage = false);
ArtworkResult analyseDecoded(DecodedImage decoded, const ArtworkOptions& options, bool keepImage = false);

}  // namespace colorart
