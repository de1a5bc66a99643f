// UIImage(Scale): an image redrawn at another size.
#pragma once

#include "platform/graphics/Geometry.hpp"
#include "platform/uikit/UIImage.hpp"

// scaledToSize: the image stretched (aspect ratio not kept) into a new image context of `size`
// points, one pixel per point. Null for a null image or a size that makes no context.
UIImageRef scaledToSize(const UIImageRef& image, CGSize size);
