#include "platform/uikit/UIImageView.hpp"

#include <nlohmann/json.hpp>

VW_DEFINE_CLASS(UIImageView, UIView, factoryOf<UIImageView>())

UIImageView::UIImageView(UIImageRef image)
    : UIView(image ? CGRect{{0, 0}, image->size()} : CGRectZero), image_(std::move(image)) {
  setUserInteractionEnabled(true);
}

void UIImageView::describe(nlohmann::json& out, const Annotator& annotate) const {
  UIView::describe(out, annotate);
  if (image_)
    out["image"] = {{"width", image_->pixelWidth()}, {"height", image_->pixelHeight()}, {"digest", image_->digest()}};
  else
    out["image"] = nullptr;
}
