// UIKit stand-in: appearance proxies (appearanceWhenContainedIn:).
// Implements: one proxy per control class and container class, with the two settings the
// controls here take from a proxy (a switch's on-tint, a segmented control's tint); applying
// them to the controls of a view tree as the tree is put on screen: a control takes the
// setting of the proxy for its class (or a superclass) whose container class matches the
// nearest enclosing view or view controller (the controller whose view encloses it); a value
// set on the control itself wins. All proxies live in one registry, for dumps. The registry
// knows no control class: it offers each view of the tree the settings that apply to it
// (UIView::applyAppearance) and the view takes what it has a use for.
// Leaves out: containment chains of more than one class, trait collections, appearance()
// without a container, any other property.
#pragma once

#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <vector>

#include "platform/foundation/ReflectiveObject.hpp"
#include "platform/uikit/UIColor.hpp"

class UIView;

class UIAppearanceProxy : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  UIAppearanceProxy(const ClassInfo& controlClass, const ClassInfo& container)
      : controlClass(controlClass), container(container) {}
  const ClassInfo& controlClass;
  const ClassInfo& container;

  void setOnTintColor(UIColorRef color);
  void setTintColor(UIColorRef color);
  UIColorRef onTintColor() const;
  UIColorRef tintColor() const;

 private:
  UIColorRef onTint_, tint_;
};
using UIAppearanceProxyRef = std::shared_ptr<UIAppearanceProxy>;

// The appearance settings that apply to one view, looked up on demand.
class UIAppearanceLookup {
 public:
  UIAppearanceLookup(const UIView& view, const std::vector<UIAppearanceProxyRef>& proxies) : view_(view), proxies_(proxies) {}
  UIColorRef onTintColor() const;
  UIColorRef tintColor() const;

 private:
  UIColorRef find(UIColorRef (UIAppearanceProxy::*setting)() const) const;
  const UIView& view_;
  const std::vector<UIAppearanceProxyRef>& proxies_;
};

class UIAppearance {
 public:
  // The proxy for controls of controlClass inside containers of that class (made on first use).
  static UIAppearanceProxyRef proxy(const ClassInfo& controlClass, const ClassInfo& container);
  // Offers every view of the tree the proxy settings that apply to it.
  static void applyToTree(UIView& root);
  // {container class: {control class: {setting: colour}}} for every proxy with a setting.
  static nlohmann::json describe();
};

// The view controller whose view this is, or null.
std::shared_ptr<ReflectiveObject> owningViewController(const UIView& view);
