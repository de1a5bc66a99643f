#include "colorart/UIImage+Scale.hpp"

#include "colorart/engine/Artwork.hpp"

// The engine's scaling is the image context's: a new context of `size`, the image drawn into it
// stretched over the whole of it, its pixels taken.
UIImageRef scaledToSize(const UIImageRef& image, CGSize size) {
  if (!image) return nullptr;
  CGImageRef scaled = colorart::scaledImage(*image->CGImage(), size);
  return scaled ? std::make_shared<UIImage>(std::move(scaled)) : nullptr;
}
