// UIKit stand-in: sliders.
// Implements: value, minimum and maximum (the value is kept within them), a user's drag to a
// value (clamped, then the value-changed actions), continuous flag.
// Leaves out: thumb and track images and tints, tracking, animation.
#pragma once

#include "platform/uikit/UIControl.hpp"

class UISlider : public UIControl {
  VW_DECLARE_CLASS()
 public:
  using UIControl::UIControl;

  float value() const { return value_; }
  void setValue(float value, bool animated = false);
  float minimumValue() const { return min_; }
  void setMinimumValue(float v);
  float maximumValue() const { return max_; }
  void setMaximumValue(float v);
  bool continuous = true;

  // What a user's drag does: moves the thumb to the value (within the bounds) and sends the
  // value-changed actions.
  void dragByUser(float value);

  CGSize intrinsicContentSize() const override { return {-1, 31}; }

 protected:
  void describe(nlohmann::json& out, const Annotator& annotate) const override;

 private:
  float value_ = 0, min_ = 0, max_ = 1;
};
using UISliderRef = std::shared_ptr<UISlider>;
