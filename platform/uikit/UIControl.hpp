// UIKit stand-in: controls and buttons.
// Implements: target/action pairs per control event, sent on a touch that ends inside; buttons
// made with a type, with a title per state.
// Leaves out: tracking, highlighting, images on buttons, content insets.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/uikit/UIView.hpp"

enum UIControlEvents : unsigned { UIControlEventTouchUpInside = 64, UIControlEventValueChanged = 4096 };

class UIControl : public UIView {
  VW_DECLARE_CLASS()
 public:
  using UIView::UIView;
  // The target is not retained, as in UIKit.
  void addTarget(const ReflectiveObjectRef& target, std::string action, unsigned events);
  // Sends every action registered for the events; returns how many were sent.
  size_t sendActionsForControlEvents(unsigned events);
  bool hasActionsFor(unsigned events) const;

 private:
  struct TargetAction {
    std::weak_ptr<ReflectiveObject> target;
    std::string action;
    unsigned events;
  };
  std::vector<TargetAction> actions_;
};

enum UIButtonType : long { UIButtonTypeCustom = 0, UIButtonTypeSystem = 1, UIButtonTypeRoundedRect = 1 };

class UIButton : public UIControl {
  VW_DECLARE_CLASS()
 public:
  using UIControl::UIControl;
  static std::shared_ptr<UIButton> buttonWithType(long type);
  long buttonType = UIButtonTypeCustom;
  void setTitle(std::optional<std::string> title, unsigned state) { titles_[state] = std::move(title); }
  std::optional<std::string> titleForState(unsigned state) const;

 protected:
  void describe(nlohmann::json& out, const Annotator& annotate) const override;

 private:
  std::map<unsigned, std::optional<std::string>> titles_;
};
using UIButtonRef = std::shared_ptr<UIButton>;
