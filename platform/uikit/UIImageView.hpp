// UIKit stand-in: image views.
// Implements: an image (or none), initWithImage: taking the image's size, the content mode
// (stored; the renderer draws scale-to-fill, the default), the image in dumps as its pixel
// size and digest.
// Leaves out: highlighted images, animation images, tint rendering.
#pragma once

#include "platform/uikit/UIImage.hpp"
#include "platform/uikit/UIView.hpp"

enum UIViewContentMode : long {
  UIViewContentModeScaleToFill = 0,
  UIViewContentModeScaleAspectFit = 1,
  UIViewContentModeScaleAspectFill = 2
};

class UIImageView : public UIView {
  VW_DECLARE_CLASS()
 public:
  using UIView::UIView;
  // initWithImage: — the frame takes the image's size in points (zero without an image).
  explicit UIImageView(UIImageRef image);

  const UIImageRef& image() const { return image_; }
  void setImage(UIImageRef image) { image_ = std::move(image); }
  long contentMode = UIViewContentModeScaleToFill;
  // The image's size in points (none without an image).
  CGSize intrinsicContentSize() const override { return image_ ? image_->size() : CGSize{-1, -1}; }

 protected:
  void describe(nlohmann::json& out, const Annotator& annotate) const override;

 private:
  UIImageRef image_;
};
using UIImageViewRef = std::shared_ptr<UIImageView>;
