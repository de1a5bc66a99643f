#include "platform/uikit/UISegmentedControl.hpp"

#include <nlohmann/json.hpp>

#include "platform/text/TextMetrics.hpp"
#include "platform/uikit/UIAppearance.hpp"

VW_DEFINE_CLASS(UISegmentedControl, UIControl, factoryOf<UISegmentedControl>())

UISegmentedControl::UISegmentedControl(std::vector<std::string> items) : items_(std::move(items)) {
  CGSize size = intrinsicContentSize();
  setFrame(CGRect{{0, 0}, size});
}

void UISegmentedControl::setSelectedSegmentIndex(long index) {
  selected_ = (index >= 0 && index < numberOfSegments()) ? index : -1;
}

bool UISegmentedControl::selectByUser(long index) {
  if (index < 0 || index >= numberOfSegments()) return false;
  selected_ = index;
  sendActionsForControlEvents(UIControlEventValueChanged);
  return true;
}

CGSize UISegmentedControl::intrinsicContentSize() const {
  // Equal segments, each wide enough for the widest title in the 13-point system face.
  double widest = 0;
  for (const auto& item : items_) widest = std::max(widest, measureText("Helvetica", 13, item).width);
  return {(widest + 20) * static_cast<double>(items_.size()), 29};
}

std::shared_ptr<UIAppearanceProxy> UISegmentedControl::appearanceWhenContainedIn(const ClassInfo& container) {
  return UIAppearance::proxy(staticClassInfo(), container);
}

void UISegmentedControl::describe(nlohmann::json& out, const Annotator& annotate) const {
  UIControl::describe(out, annotate);
  out["items"] = items_;
  out["selectedSegmentIndex"] = selected_;
  out["tintColor"] = colorJson(effectiveTintColor());
}
