// UIKit stand-in: the image context functions, over Core Graphics' image context
// (CGImageContext, platform/graphics/ImageContext.hpp).
// Implements: UIGraphicsBeginImageContext, drawing an image into a rectangle of the current
// context (drawInRect: of UIImage), UIGraphicsGetImageFromCurrentImageContext and
// UIGraphicsEndImageContext. Contexts stack per thread, as they do on the phone.
// Leaves out: UIGraphicsBeginImageContextWithOptions (scale factors other than 1), the
// current CGContext.
#pragma once

#include "platform/graphics/Geometry.hpp"
#include "platform/uikit/UIImage.hpp"

// Pushes a new, fully transparent image context of that size (see CGImageContext for sizes
// that make an empty context).
void UIGraphicsBeginImageContext(CGSize size);
// The current context's pixels as a new image; null without a context or for an empty one.
UIImageRef UIGraphicsGetImageFromCurrentImageContext();
// Pops the current context (nothing happens without one).
void UIGraphicsEndImageContext();
// drawInRect: of UIImage: draws the image into the current context, stretched to fill `rect`
// (in points, origin top left). Nothing happens without a context.
void UIImageDrawInRect(const UIImage& image, CGRect rect);
