#include "platform/uikit/UIControl.hpp"

#include <nlohmann/json.hpp>

VW_DEFINE_CLASS(UIControl, UIView, factoryOf<UIControl>())
VW_DEFINE_CLASS(UIButton, UIControl, factoryOf<UIButton>())

void UIControl::addTarget(const ReflectiveObjectRef& target, std::string action, unsigned events) {
  actions_.push_back({target, std::move(action), events});
}

size_t UIControl::sendActionsForControlEvents(unsigned events) {
  size_t sent = 0;
  auto actions = actions_;  // an action may change the list
  for (auto& ta : actions) {
    if (!(ta.events & events)) continue;
    if (auto target = ta.target.lock(); target && target->performSelector(ta.action, shared_from_this())) ++sent;
  }
  return sent;
}

bool UIControl::hasActionsFor(unsigned events) const {
  for (auto& ta : actions_)
    if (ta.events & events) return true;
  return false;
}

std::shared_ptr<UIButton> UIButton::buttonWithType(long type) {
  auto button = std::make_shared<UIButton>();
  button->buttonType = type;
  return button;
}

std::optional<std::string> UIButton::titleForState(unsigned state) const {
  auto it = titles_.find(state);
  if (it != titles_.end()) return it->second;
  it = titles_.find(0);
  return it == titles_.end() ? std::nullopt : it->second;
}

void UIButton::describe(nlohmann::json& out, const Annotator& annotate) const {
  UIView::describe(out, annotate);
  auto title = titleForState(0);
  out["title"] = title ? nlohmann::json(*title) : nlohmann::json(nullptr);
  out["buttonType"] = buttonType;
}
