// UIImage(ColorArt): scale an image and analyse it in one call.
#pragma once

#include "colorart/SLColorArt.hpp"

// colorArt: the image scaled to `size` and analysed with the default threshold 2. Null for a
// null image.
SLColorArtRef colorArt(const UIImageRef& image, CGSize size);
// colorArt: the same at 512 x 512.
SLColorArtRef colorArt(const UIImageRef& image);
