#include "platform/uikit/UISlider.hpp"

#include <algorithm>
#include <nlohmann/json.hpp>

VW_DEFINE_CLASS(UISlider, UIControl, factoryOf<UISlider>())

void UISlider::setValue(float value, bool) { value_ = std::clamp(value, min_, std::max(min_, max_)); }

void UISlider::setMinimumValue(float v) {
  min_ = v;
  if (max_ < min_) max_ = min_;
  setValue(value_);
}

void UISlider::setMaximumValue(float v) {
  max_ = v;
  if (min_ > max_) min_ = max_;
  setValue(value_);
}

void UISlider::dragByUser(float value) {
  setValue(value);
  sendActionsForControlEvents(UIControlEventValueChanged);
}

void UISlider::describe(nlohmann::json& out, const Annotator& annotate) const {
  UIControl::describe(out, annotate);
  out["value"] = value_;
  out["minimumValue"] = min_;
  out["maximumValue"] = max_;
}
