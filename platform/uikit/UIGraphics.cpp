#include "platform/uikit/UIGraphics.hpp"

#include <vector>

#include "platform/graphics/ImageContext.hpp"

namespace {

// The image contexts of this thread, innermost last.
thread_local std::vector<CGImageContext> imageContexts;

}  // namespace

void UIGraphicsBeginImageContext(CGSize size) { imageContexts.emplace_back(size); }

UIImageRef UIGraphicsGetImageFromCurrentImageContext() {
  if (imageContexts.empty()) return nullptr;
  CGImageRef bitmap = imageContexts.back().makeImage();
  return bitmap ? std::make_shared<UIImage>(std::move(bitmap)) : nullptr;
}

void UIGraphicsEndImageContext() {
  if (!imageContexts.empty()) imageContexts.pop_back();
}

void UIImageDrawInRect(const UIImage& image, CGRect rect) {
  if (!imageContexts.empty()) imageContexts.back().drawImage(*image.CGImage(), rect);
}
