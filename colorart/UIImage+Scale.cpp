#include "colorart/UIImage+Scale.hpp"

#include "platform/uikit/UIGraphics.hpp"

UIImageRef scaledToSize(const UIImageRef& image, CGSize size) {
  if (!image) return nullptr;
  UIGraphicsBeginImageContext(size);
  UIImageDrawInRect(*image, CGRectMake(0, 0, size.width, size.height));
  UIImageRef scaled = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  return scaled;
}
