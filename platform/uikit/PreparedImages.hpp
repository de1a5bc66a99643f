// UIKit stand-in: images decoded ahead of need. A platform service that hands image bytes to
// its caller (the media-remote service's artwork) decodes them first on a thread of its own,
// exactly as UIImage::imageWithData would; when the caller then makes its image from the same
// bytes, imageWithData takes the prepared image instead of decoding again, so the caller's
// thread does no decoding and gets the same image.
// Keeps the kKept latest prepared images (by their bytes); thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/uikit/UIImage.hpp"

namespace prepared_images {

constexpr size_t kKept = 2;
using Bytes = std::shared_ptr<const std::vector<uint8_t>>;

// The image for these bytes, decoded now (on the calling thread) unless one is kept already,
// and kept as the latest; null when the bytes do not decode (nothing is kept then).
UIImageRef prepare(const Bytes& bytes);
// The kept image for bytes equal to these, or null.
UIImageRef find(std::span<const uint8_t> bytes);
// Lets go of the image kept for bytes equal to these.
void forget(std::span<const uint8_t> bytes);
size_t count();
void clear();

}  // namespace prepared_images
