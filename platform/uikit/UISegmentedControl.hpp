// UIKit stand-in: segmented controls.
// Implements: segments made from titles (initWithItems:), the selected segment (-1 for none),
// a user's choice of a segment (then the value-changed actions), the tint colour set on the
// control or, when it has none, from its appearance proxy (UIAppearance.hpp).
// Leaves out: image segments, momentary mode, per-segment widths and enabling.
#pragma once

#include <string>
#include <vector>

#include "platform/uikit/UIAppearance.hpp"
#include "platform/uikit/UIControl.hpp"

class UISegmentedControl : public UIControl {
  VW_DECLARE_CLASS()
 public:
  UISegmentedControl() = default;
  explicit UISegmentedControl(std::vector<std::string> items);  // initWithItems:

  const std::vector<std::string>& items() const { return items_; }
  long numberOfSegments() const { return static_cast<long>(items_.size()); }
  long selectedSegmentIndex() const { return selected_; }
  void setSelectedSegmentIndex(long index);
  // What a user's tap on a segment does; false for an index out of range.
  bool selectByUser(long index);

  UIColorRef effectiveTintColor() const { return tintColor() ? tintColor() : appearanceTint_; }
  void setAppearanceTintColor(UIColorRef color) { appearanceTint_ = std::move(color); }
  void applyAppearance(const UIAppearanceLookup& lookup) override { setAppearanceTintColor(lookup.tintColor()); }
  static std::shared_ptr<UIAppearanceProxy> appearanceWhenContainedIn(const ClassInfo& container);

  CGSize intrinsicContentSize() const override;

 protected:
  void describe(nlohmann::json& out, const Annotator& annotate) const override;

 private:
  std::vector<std::string> items_;
  long selected_ = -1;
  UIColorRef appearanceTint_;
};
using UISegmentedControlRef = std::shared_ptr<UISegmentedControl>;
