// Preferences stand-in: the cell of a slider row.
// Implements: a slider across the row with the row's "min" and "max" (floatValue; 0 and 1
// when missing), showing the row's value; a user's drag hands the new value (a real number) to
// the row's page.
// Leaves out: the value label ("showValue"), icons at the ends, segmented (stepped) sliders.
#pragma once

#include "platform/preferences/PSTableCell.hpp"
#include "platform/uikit/UISlider.hpp"

class PSSliderTableCell : public PSTableCell {
  VW_DECLARE_CLASS()
 public:
  using PSTableCell::initWithStyle;
  std::shared_ptr<PSTableCell> initWithStyle(long style, std::optional<std::string> reuseIdentifier,
                                             const PSSpecifierRef& specifier) override;
  const UISliderRef& control() const { return slider_; }
  void setValue(const plist::Value& value) override;
  void layoutSubviews() override;
  // The slider's value-changed action.
  void controlChanged(const ReflectiveObjectRef& sender);

 private:
  UISliderRef slider_;
};
