#include "colorart/engine/Artwork.hpp"

#include <cmath>
#include <utility>

#include "platform/graphics/ImageContext.hpp"

namespace colorart {

namespace {

// The smallest side the decoder may reduce an image to: the analysis size's larger side (none
// for a native analysis).
int reducibleTo(const ArtworkOptions& options) {
  if (options.native) return 0;
  return static_cast<int>(std::ceil(std::max(options.size.width, options.size.height)));
}

ArtworkResult failure(std::string error) {
  ArtworkResult result;
  result.error = std::move(error);
  return result;
}

}  // namespace

bool analysisSizeAllowed(CGSize size) {
  if (!(size.width > 0) || !(size.height > 0)) return false;
  const double w = std::ceil(size.width), h = std::ceil(size.height);
  return w <= CGImage::kMaxSide && h <= CGImage::kMaxSide && w * h <= static_cast<double>(CGImage::kMaxPixels);
}

CGImageRef scaledImage(const CGImage& image, CGSize size) {
  CGImageContext context(size);
  context.drawImage(image, CGRectMake(0, 0, size.width, size.height));
  return context.makeImage();
}

ArtworkResult analyseDecoded(DecodedImage decoded, const ArtworkOptions& options, bool keepImage) {
  if (!options.native && !analysisSizeAllowed(options.size)) return failure("the analysis size is not allowed");
  CGImageRef image = std::make_shared<const CGImage>(decoded.width, decoded.height, std::move(decoded.pixels));
  if (!options.native) image = scaledImage(*image, options.size);
  ArtworkResult result;
  result.ok = true;
  if (image)
    result.analysis = analysePixels({image->pixels().data(), image->width(), image->height()}, options.threshold);
  else
    result.analysis = analysePixels({}, options.threshold);
  if (keepImage) result.analysed = std::move(image);
  return result;
}

ArtworkResult analyseEncoded(std::span<const uint8_t> bytes, const ArtworkOptions& options, bool keepImage) {
  if (!looksLikePng(bytes) && !looksLikeJpeg(bytes)) return failure("not a PNG or JPEG image");
  std::string why;
  std::optional<DecodedImage> decoded = decodeImage(bytes, {}, reducibleTo(options), &why);
  if (!decoded) return failure("cannot decode the " + std::string(looksLikePng(bytes) ? "PNG" : "JPEG") + " image: " + why);
  return analyseDecoded(std::move(*decoded), options, keepImage);
}

ArtworkResult analyseFile(const std::string& path, const ArtworkOptions& options, bool keepImage) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!readImageFile(path, bytes, error)) return failure(std::move(error));
  return analyseEncoded(bytes, options, keepImage);
}

ArtworkResult analyseRaw(const uint8_t* data, int64_t width, int64_t height, size_t stride, RawPixelFormat format,
                         const ArtworkOptions& options, bool keepImage) {
  std::string why;
  std::optional<DecodedImage> imported = importPixels(data, width, height, stride, format, {}, reducibleTo(options), &why);
  if (!imported) return failure("cannot take the pixels: " + why);
  return analyseDecoded(std::move(*imported), options, keepImage);
}

}  // namespace colorart
