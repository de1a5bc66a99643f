#include "platform/uikit/UIVisualEffectView.hpp"

#include <nlohmann/json.hpp>

VW_DEFINE_CLASS(UIVisualEffect, ReflectiveObject, nullptr)
VW_DEFINE_CLASS(UIBlurEffect, UIVisualEffect, nullptr)
VW_DEFINE_CLASS(UIVibrancyEffect, UIVisualEffect, nullptr)
VW_DEFINE_CLASS(UIVisualEffectView, UIView, nullptr)

UIVisualEffectView::UIVisualEffectView(UIVisualEffectRef effect)
    : effect_(std::move(effect)), contentView_(std::make_shared<UIView>()) {
  contentView_->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
}

std::shared_ptr<UIVisualEffectView> UIVisualEffectView::create(UIVisualEffectRef effect) {
  auto view = std::make_shared<UIVisualEffectView>(std::move(effect));
  view->addSubview(view->contentView_);
  return view;
}

void UIVisualEffectView::describe(nlohmann::json& out, const Annotator& annotate) const {
  UIView::describe(out, annotate);
  if (auto blur = std::dynamic_pointer_cast<UIBlurEffect>(effect_))
    out["effect"] = {{"type", "blur"}, {"style", blur->style}};
  else if (auto vibrancy = std::dynamic_pointer_cast<UIVibrancyEffect>(effect_))
    out["effect"] = {{"type", "vibrancy"}, {"style", vibrancy->blurEffect ? vibrancy->blurEffect->style : -1}};
  else
    out["effect"] = nullptr;
  out["contentView"] = contentView_->describeTree(annotate);
}
