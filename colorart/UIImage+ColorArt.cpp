#include "colorart/UIImage+ColorArt.hpp"

#include "colorart/UIImage+Scale.hpp"

SLColorArtRef colorArt(const UIImageRef& image, CGSize size) {
  if (!image) return nullptr;
  return std::make_shared<SLColorArt>(scaledToSize(image, size));
}

SLColorArtRef colorArt(const UIImageRef& image) { return colorArt(image, CGSizeMake(512, 512)); }
