#include "platform/uikit/UISwitch.hpp"

#include <nlohmann/json.hpp>

#include "platform/uikit/UIAppearance.hpp"

VW_DEFINE_CLASS(UISwitch, UIControl, factoryOf<UISwitch>())

void UISwitch::toggleByUser() {
  on_ = !on_;
  sendActionsForControlEvents(UIControlEventValueChanged);
}

std::shared_ptr<UIAppearanceProxy> UISwitch::appearanceWhenContainedIn(const ClassInfo& container) {
  return UIAppearance::proxy(staticClassInfo(), container);
}

void UISwitch::describe(nlohmann::json& out, const Annotator& annotate) const {
  UIControl::describe(out, annotate);
  out["on"] = on_;
  out["onTintColor"] = colorJson(onTintColor());
}
