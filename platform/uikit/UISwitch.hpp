// UIKit stand-in: switches.
// Implements: the on state (setOn:animated: sends no action, as in UIKit; a user's toggle
// sends the value-changed actions), the on-tint colour set on the switch or, when it has
// none, from its appearance proxy (UIAppearance.hpp), the natural size 51 x 31 points.
// Leaves out: thumb and off tints, on/off images, animation.
#pragma once

#include "platform/uikit/UIAppearance.hpp"
#include "platform/uikit/UIControl.hpp"

class UISwitch : public UIControl {
  VW_DECLARE_CLASS()
 public:
  UISwitch() : UIControl(CGRect{{0, 0}, {51, 31}}) {}

  bool isOn() const { return on_; }
  void setOn(bool on, bool animated = false) { on_ = on; }
  // What a user's tap does: flips the switch and sends the value-changed actions.
  void toggleByUser();

  // The colour set on the switch, else the appearance proxy's.
  UIColorRef onTintColor() const { return onTintColor_ ? onTintColor_ : appearanceOnTint_; }
  void setOnTintColor(UIColorRef color) { onTintColor_ = std::move(color); }
  void setAppearanceOnTintColor(UIColorRef color) { appearanceOnTint_ = std::move(color); }
  void applyAppearance(const UIAppearanceLookup& lookup) override { setAppearanceOnTintColor(lookup.onTintColor()); }

  // appearanceWhenContainedIn: with one container class.
  static std::shared_ptr<UIAppearanceProxy> appearanceWhenContainedIn(const ClassInfo& container);

  CGSize intrinsicContentSize() const override { return {51, 31}; }

 protected:
  void describe(nlohmann::json& out, const Annotator& annotate) const override;

 private:
  bool on_ = false;
  UIColorRef onTintColor_;
  UIColorRef appearanceOnTint_;
};
using UISwitchRef = std::shared_ptr<UISwitch>;
